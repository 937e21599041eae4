#pragma once

#include <QLabel>

class FieldLink;

namespace store
{
class Dataset;
}

// A mail or web address from a field shown as a link; clicking it hands the address to the
// desktop (a new mail for a mail address).
class DbLinkLabel : public QLabel
{
    Q_OBJECT
  public:
    enum class Kind { Web, Mail };

    explicit DbLinkLabel(QWidget *parent = nullptr, Kind kind = Kind::Web);

    void bind(store::Dataset *dataset, const QString &field);
    FieldLink *link() const { return m_link; }
    void setKind(Kind kind);
    Kind kind() const { return m_kind; }
    QString address() const;

  public Q_SLOTS:
    // What a click on the link does; false when there is no address.
    bool openAddress();

  private:
    void refresh();

    FieldLink *m_link;
    Kind m_kind;
};
