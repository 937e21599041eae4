#include "mailfixture.h"

#include "datamodule.h"
#include "filedialog.h"
#include "mailmemodialog.h"
#include "mailserverdialog.h"
#include "mailwindow.h"
#include "session.h"
#include "smtppeer.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

void MailFixture::openMailContacts()
{
    dm.tblCustomers2.open();
    dm.tblCustomers2.refresh(); // agents added straight into the store
    dm.qryLinkmans3.close();
    dm.qryLinkmans3.setSql(QStringLiteral("select * from tblLinkmans"));
    dm.qryLinkmans3.open();
}

void MailFixture::trustCertificate(const SmtpPeer &peer)
{
    const QString folder = store::session().AppDir + QStringLiteral("Data/Certificates");
    QDir().mkpath(folder);
    QFile::copy(peer.certificate(), folder + QStringLiteral("/test-server.pem"));
}

void MailFixture::addContactsWithEmails(const QStringList &emails)
{
    addAgent(QStringLiteral("A01"), QStringLiteral("星桥贸易"));
    int n = 0;
    for (const QString &e : emails) {
        ++n;
        addContact(QStringLiteral("L%1").arg(n, 2, 10, QLatin1Char('0')),
                   QStringLiteral("联系人%1").arg(n), QStringLiteral("A01"),
                   QStringLiteral("Admin"), {{QStringLiteral("Email"), e}});
    }
}

QStringList jsonStrings(const QJsonValue &array)
{
    QStringList out;
    for (const QJsonValue &v : array.toArray())
        out << v.toString();
    return out;
}

MailWindowOnFixture::MailWindowOnFixture(MailFixture &f)
{
    f.openMailContacts();
    w = new MailWindow(f.ws);
    w->resize(1000, 700);
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w))
        qWarning("the mail window did not become active");
}

MailWindowOnFixture::~MailWindowOnFixture()
{
    delete w;
}

void MailWindowOnFixture::trigger(const char *action)
{
    w->action(QLatin1String(action))->trigger();
}

void MailWindowOnFixture::compose(const QString &subject, const QString &body, const QString &cc,
                                  const QString &bcc, const QStringList &attachments)
{
    testsupport::whenModal(QStringLiteral("TfrmMailMemo"), [=](QWidget *d) {
        CloseOnExit closing{d};
        auto *memo = static_cast<MailMemoDialog *>(d);
        memo->subject()->setText(subject);
        memo->cc()->setText(cc);
        memo->bcc()->setText(bcc);
        memo->body()->setPlainText(body);
        for (const QString &path : attachments) {
            FileDialog::setNextFileName(path);
            memo->findChild<QPushButton *>(QStringLiteral("btnAttach"))->click();
        }
        memo->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
        if (memo->isVisible())
            memo->reject();
    });
    trigger("Act_Memo");
}

QStringList MailWindowOnFixture::connectTo(const QString &host, int port, const QString &sender,
                                           const QString &user, const QString &password)
{
    QStringList statuses;
    testsupport::whenModal(QStringLiteral("TfrmMailServer"), [&](QWidget *d) {
        CloseOnExit closing{d};
        auto *dialog = static_cast<MailServerDialog *>(d);
        dialog->host()->setCurrentText(host);
        dialog->port()->setText(QString::number(port));
        dialog->sender()->setText(sender);
        dialog->user()->setText(user);
        dialog->password()->setText(password);
        dialog->findChild<QPushButton *>(QStringLiteral("btnConnect"))->click();
        statuses = dialog->statusHistory();
        dialog->findChild<QPushButton *>(QStringLiteral("btnClose"))->click();
    });
    trigger("Act_Server");
    return statuses;
}

CloseOnExit::~CloseOnExit()
{
    if (window->isVisible())
        window->close();
}
