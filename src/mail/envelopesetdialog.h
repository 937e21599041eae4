#pragma once

#include <QDialog>
#include <QVariantMap>

class QCheckBox;

namespace store
{
class DataModule;
}

// TfrmEnvelopSet ("标签设置"): envelopes or labels for every contact of the envelope list,
// through the print flow, with the sender's details (the row of tblUserInfo) when
// "打印用户信息" is ticked. It stays open after the preview for another print.
class EnvelopeSetDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit EnvelopeSetDialog(store::DataModule &dm, QWidget *parent = nullptr);

    QCheckBox *printSender() const { return m_printSender; }
    // The sender's details as the layout reads them ({{sender.UserName}}, ...); empty when
    // tblUserInfo has no row.
    QVariantMap sender() const;

  private:
    void preview();

    store::DataModule &m_dm;
    QCheckBox *m_printSender;
};
