#include "errordisplay.h"

#include "messagebox.h"
#include "storeerror.h"
#include "storenotices.h"

#include <QPushButton>

bool ErrorDisplay::run(QWidget *parent, const std::function<void()> &work)
{
    try {
        work();
        return true;
    } catch (...) {
        showCurrent(parent);
        return false;
    }
}

void ErrorDisplay::showCurrent(QWidget *parent)
{
    // A lost connection is told once: the commands that fail until it is back add nothing.
    try {
        throw;
    } catch (const store::StoreError &e) {
        if (e.isConnectionLoss() && !e.unsettledCommit()) {
            if (StoreNotices::claimLossNotice())
                MessageBox::warning(parent, e.text());
            return;
        }
    } catch (...) {
    }
    MessageBox::critical(parent, textOf(std::current_exception()));
}

QString ErrorDisplay::textOf(const std::exception_ptr &error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const store::StoreError &e) {
        return e.text();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    return QStringLiteral("发生了未知的错误。");
}

QPushButton *ErrorDisplay::commandButton(QWidget *parent, const char *objectName, const QString &text,
                                         std::function<void()> work)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(objectName));
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, parent, [parent, work] { run(parent, work); });
    return b;
}
