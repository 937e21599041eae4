#pragma once

#include <QDialog>

class DbLineEdit;

namespace store
{
class DataModule;
}

// TfrmUserInfo: the one record that describes the organisation using the program, printed
// as the sender on envelopes. Opens on that record in editing (a new one when there is none).
class UserInfoWindow : public QDialog
{
    Q_OBJECT
  public:
    explicit UserInfoWindow(store::DataModule &dm, QWidget *parent = nullptr);

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void save();
    bool checkFields();

    store::DataModule &m_dm;
    DbLineEdit *m_name;
    DbLineEdit *m_address;
    DbLineEdit *m_telephone;
    DbLineEdit *m_fax;
    DbLineEdit *m_homePage;
    DbLineEdit *m_email;
    DbLineEdit *m_postCode;
};
