#pragma once

#include "dbformattededit.h"

// A time of day typed into the mask ##:##:## and stored as text with its colons ("09:30:00");
// an empty input stores nothing.
class DbTimeEdit : public DbFormattedEdit
{
    Q_OBJECT
  public:
    explicit DbTimeEdit(QWidget *parent = nullptr);

  protected:
    std::optional<QVariant> parse(const QString &text) const override;
    QString format(const QVariant &value) const override;
    QString invalidMessage(const QString &subject) const override;
};
