#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <optional>

class QWidget;

// The colour chooser. Colours travel as the stored colour number 0x00BBGGRR: red in the
// lowest byte, as the colour columns of the dictionaries hold them.
class ColorDialog
{
  public:
    struct Call {
        QString title;
        int initial = 0;
    };

    // The chosen colour as 0x00BBGGRR, or nothing when cancelled.
    static std::optional<int> getColor(QWidget *parent, int initial,
                                       const QString &title = QStringLiteral("颜色"));

    static int toColorRef(const QColor &color);
    static QColor fromColorRef(int colorRef);

    // Test hooks: answers are taken in order; none queued is a cancel.
    static void setNextColor(int colorRef);
    static void setNextCancel();
    static QList<Call> &calls();
    static void clearHistory();
};
