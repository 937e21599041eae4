#pragma once

#include <QDialog>

class FolderChooser;
class QLineEdit;
class QListWidget;
class QPushButton;

// TfrmNewFile: creates empty documents (text, Word or Excel by name) in a folder the user
// chooses; the file panel follows that choice. An existing file is never touched: creating
// one by a name already taken is refused. The dialog stays open for further files.
class NewFileDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit NewFileDialog(const QString &folder, QWidget *parent = nullptr);

    QString folder() const;

    // "确定": the new file's path, or empty when the inputs were refused or creation failed
    // (a message said why).
    QString createFile();
    // "新建...": an empty name to type the next one.
    void startNew();

    // ".txt", ".doc" or ".xls" for the rows of the type list.
    static QString suffixOf(int typeRow);

    QLineEdit *nameEdit() const { return m_name; }
    QListWidget *typeList() const { return m_types; }
    FolderChooser *chooser() const { return m_chooser; }

  Q_SIGNALS:
    void folderChosen(const QString &path);

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    QString refuse(QWidget *focus, const QString &text);

    QLineEdit *m_name = nullptr;
    QListWidget *m_types = nullptr;
    FolderChooser *m_chooser = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_new = nullptr;
    QPushButton *m_cancel = nullptr;
};
