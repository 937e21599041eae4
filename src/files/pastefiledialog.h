#pragma once

#include <QDialog>

class FolderChooser;
class QLineEdit;
class QPushButton;

// TfrmPasteFile: copies a chosen file into a target folder under its own name, and moves it
// when the command was "剪切" (FileClipMode "Cut"). A file of that name in the target is never
// replaced; a source is deleted only after its copy is complete. The dialog stays open, so
// the same source may go to further folders; the file panel follows the target folder.
class PasteFileDialog : public QDialog
{
    Q_OBJECT
  public:
    PasteFileDialog(const QString &title, const QString &folder, QWidget *parent = nullptr);

    QString source() const;
    void setSource(const QString &path);
    QString target() const;

    // "请选择源文件目录": asks for the source file; a cancelled choice keeps the old one.
    void chooseSource();
    // "粘贴": true when the file arrived in the target (and, for a cut, left its source).
    bool paste();

    QLineEdit *sourceEdit() const { return m_source; }
    FolderChooser *chooser() const { return m_chooser; }

  Q_SIGNALS:
    void folderChosen(const QString &path);

  private:
    QLineEdit *m_source = nullptr;
    QPushButton *m_choose = nullptr;
    FolderChooser *m_chooser = nullptr;
    QPushButton *m_paste = nullptr;
    QPushButton *m_cancel = nullptr;
};
