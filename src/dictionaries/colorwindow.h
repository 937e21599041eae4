#pragma once

#include <QDialog>

class DataGrid;
class QFrame;

namespace store
{
class DataModule;
class Dataset;
} // namespace store

// TfrmColor: the colours a dictionary entry may be painted in (tblColor), each shown as its
// number with a swatch of the selected one; colours are added through the colour chooser and
// removed after a confirmation. Opened from the dictionary editors' "颜色信息" button.
class ColorWindow : public QDialog
{
    Q_OBJECT
  public:
    explicit ColorWindow(store::DataModule &dm, QWidget *parent = nullptr);
    ~ColorWindow() override;

    void done(int result) override;

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void showCurrentColour();
    void fillSwatch(int colorRef);

    void addColour();
    void removeColour();

    store::Dataset &m_colours;
    DataGrid *m_grid;
    QFrame *m_swatch;
};
