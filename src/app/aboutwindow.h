#pragma once

#include <QDialog>

// TfrmAbout: the product, its version and how to reach its maker.
class AboutWindow : public QDialog
{
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *parent = nullptr);
};
