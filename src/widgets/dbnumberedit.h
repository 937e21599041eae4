#pragma once

#include "dbformattededit.h"

class QAction;
class QDoubleValidator;

// A number field with a calculator drop-down: the calculator opens on the field's number and
// its result is written into the field.
class DbNumberEdit : public DbFormattedEdit
{
    Q_OBJECT
  public:
    explicit DbNumberEdit(QWidget *parent = nullptr);

    QAction *calculatorAction() const { return m_calculator; }

  public Q_SLOTS:
    void openCalculator();

  protected:
    std::optional<QVariant> parse(const QString &text) const override;
    QString format(const QVariant &value) const override;
    QString invalidMessage(const QString &subject) const override;
    void prepare() override;

  private:
    bool isWhole() const;

    QAction *m_calculator;
    QDoubleValidator *m_validator;
};
