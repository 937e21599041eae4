// The group-mail window without a server: the address lists, the composition dialog, the
// checks of 发送, the server dialog's fields and the hand-over to the user's mail program.
#include "datagrid.h"
#include "datamodule.h"
#include "datasetmodel.h"
#include "desktopservices.h"
#include "filedialog.h"
#include "mailfixture.h"
#include "mailmemodialog.h"
#include "mailserverdialog.h"
#include "mailwindow.h"
#include "messagebox.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace
{

QPushButton *button(QWidget *w, const char *name)
{
    return w->findChild<QPushButton *>(QLatin1String(name));
}

void addContacts(MailFixture &f)
{
    f.addAgent(u"A01"_s, u"星桥贸易"_s);
    f.addAgent(u"B02"_s, u"别人的代理"_s, u"someone"_s);
    f.addContact(u"L1"_s, u"王一"_s, u"A01"_s, u"Admin"_s, {{u"Email"_s, u"wang@example.com"_s}});
    f.addContact(u"L2"_s, u"李二"_s, u"A01"_s, u"Admin"_s);
    f.addContact(u"L3"_s, u"张三"_s, u"B02"_s, u"someone"_s,
                 {{u"Email"_s, u"zhang@example.com"_s}});
}

} // namespace

class TestMailWindow : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    void addressLists_data() { testsupport::addEngineRows(); }
    void addressLists()
    {
        QFETCH(QString, engine);
        MailFixture f(engine);
        addContacts(f);
        MailWindowOnFixture m(f);
        store::Dataset &contacts = f.dm.qryLinkmans3;
        QCOMPARE(contacts.rowCount(), 3); // every user's contacts
        QCOMPARE(m.w->grid()->model()->index(0, 1).data().toString(), u"星桥贸易"_s);

        // ">" appends the address, an empty one too, and moves on.
        contacts.first();
        button(m.w, "btnAdd")->click();
        button(m.w, "btnAdd")->click();
        QCOMPARE(m.w->pendingAddresses(), QStringList({u"wang@example.com"_s, QString()}));
        QCOMPARE(contacts.currentRow(), 2);
        // A double-click on the grid appends without moving.
        Q_EMIT m.w->grid()->rowActivated(2);
        QCOMPARE(m.w->pendingAddresses().last(), u"zhang@example.com"_s);
        QCOMPARE(contacts.currentRow(), 2);

        // "<" with nothing selected removes nothing; with a selection, that entry.
        m.w->pending()->setCurrentRow(-1);
        m.w->pending()->clearSelection();
        button(m.w, "btnRemove")->click();
        QCOMPARE(m.w->pendingAddresses().size(), 3);
        m.w->pending()->setCurrentRow(1);
        button(m.w, "btnRemove")->click();
        QCOMPARE(m.w->pendingAddresses(),
                 QStringList({u"wang@example.com"_s, u"zhang@example.com"_s}));
        // A double-click on the pending list removes the selected entry.
        m.w->pending()->setCurrentRow(0);
        Q_EMIT m.w->pending()->itemDoubleClicked(m.w->pending()->item(0));
        QCOMPARE(m.w->pendingAddresses(), QStringList({u"zhang@example.com"_s}));

        // ">>" replaces the list with every contact in grid order, empty addresses included.
        button(m.w, "btnAddAll")->click();
        QCOMPARE(m.w->pendingAddresses(),
                 QStringList({u"wang@example.com"_s, QString(), u"zhang@example.com"_s}));
        button(m.w, "btnRemoveAll")->click();
        QVERIFY(m.w->pendingAddresses().isEmpty());

        // 查询 rebuilds the list through the mail query; "商务代理资料" is the agent code.
        testsupport::whenModal(u"TfrmLinkmanQuery"_s, [](QWidget *d) {
            CloseOnExit closing{d};
            d->findChild<QComboBox *>(u"cbCondition"_s)->setCurrentIndex(1);
            testsupport::typeText(d->findChild<QLineEdit *>(u"edValue"_s), u"b0"_s);
            button(d, "btnOK")->click();
            if (d->isVisible())
                d->close();
        });
        m.trigger("Act_Query");
        QCOMPARE(contacts.rowCount(), 1);
        QCOMPARE(contacts.text(u"Name"_s), u"张三"_s);
        QCOMPARE(f.logCount(u"工具-邮件群发-查询"_s), 1);
    }

    // 发送 checks subject, body and connection in that order, each opening its dialog.
    void sendChecks()
    {
        MailFixture f(u"sqlite"_s);
        MailWindowOnFixture m(f);
        QString opened;
        const auto expectDialog = [&opened](const QString &name) {
            testsupport::whenModal(name, [&opened](QWidget *d) {
                CloseOnExit closing{d};
                opened = d->objectName();
                d->close();
            });
        };
        expectDialog(u"TfrmMailMemo"_s);
        m.trigger("Act_Send");
        QCOMPARE(shownTexts(), QStringList({u"请输入邮件主题!"_s}));
        QCOMPARE(opened, u"TfrmMailMemo"_s);

        m.w->message().subject = u"主题"_s;
        MessageBox::clearHistory();
        opened.clear();
        expectDialog(u"TfrmMailMemo"_s);
        m.trigger("Act_Send");
        QCOMPARE(shownTexts(), QStringList({u"请输入邮件正文!"_s}));
        QCOMPARE(opened, u"TfrmMailMemo"_s);

        m.w->message().body = u"正文"_s;
        MessageBox::clearHistory();
        expectDialog(u"TfrmMailServer"_s);
        m.trigger("Act_Send");
        QCOMPARE(shownTexts(), QStringList({u"未连接到服务器!"_s}));
        QCOMPARE(opened, u"TfrmMailServer"_s);
        QCOMPARE(f.logCount(u"工具-邮件群发-发送"_s), 3);
    }

    void composition()
    {
        MailFixture f(u"sqlite"_s);
        MailWindowOnFixture m(f);
        QTemporaryDir dir;
        const QString saved = dir.filePath(u"报价.txt"_s);
        QFile in(dir.filePath(u"body.txt"_s));
        QVERIFY(in.open(QIODevice::WriteOnly));
        in.write(u"导入的正文\n第二行"_s.toUtf8());
        in.close();

        QStringList messages;
        QString focusAfterSubject, focusAfterBody, focusOnOpen;
        testsupport::whenModal(u"TfrmMailMemo"_s, [&](QWidget *d) {
            CloseOnExit closing{d};
            auto *memo = static_cast<MailMemoDialog *>(d);
            focusOnOpen = d->focusWidget()->objectName();
            QCOMPARE(memo->windowTitle(), u"邮件内容"_s);
            QVERIFY(memo->subject()->text().isEmpty()); // nothing composed yet
            // 确定 checks the subject, then the body.
            button(d, "btnOK")->click();
            focusAfterSubject = d->focusWidget()->objectName();
            memo->subject()->setText(u"报价"_s);
            button(d, "btnOK")->click();
            focusAfterBody = d->focusWidget()->objectName();
            messages = shownTexts();

            // 导入... replaces the body with the file's text.
            FileDialog::setNextFileName(in.fileName());
            button(d, "btnImport")->click();
            QCOMPARE(memo->body()->toPlainText(), u"导入的正文\n第二行"_s);
            QCOMPARE(FileDialog::last().filter, u"文本文件(*.txt)"_s);
            // 保存邮件 proposes the subject and always appends ".txt".
            FileDialog::setNextFileName(saved);
            button(d, "btnSave")->click();
            QCOMPARE(FileDialog::last().proposedName, u"报价"_s);

            // Attachments: 附件... adds, Delete and a double-click remove the selected one.
            for (const QString &name : {u"a.bin"_s, u"b.bin"_s, u"c.bin"_s}) {
                const QString p = dir.filePath(name);
                QFile file(p);
                QVERIFY(file.open(QIODevice::WriteOnly));
                FileDialog::setNextFileName(p);
                button(d, "btnAttach")->click();
            }
            memo->attachments()->setCurrentRow(1);
            QTest::keyClick(memo->attachments(), Qt::Key_Delete);
            QCOMPARE(memo->attachments()->count(), 2);
            memo->attachments()->setCurrentRow(0);
            Q_EMIT memo->attachments()->itemDoubleClicked(memo->attachments()->item(0));
            QCOMPARE(memo->attachments()->item(0)->text(), dir.filePath(u"c.bin"_s));
            memo->cc()->setText(u" x@example.com, ,y@example.com "_s);
            button(d, "btnOK")->click();
        });
        m.trigger("Act_Memo");
        QCOMPARE(focusOnOpen, u"edSubject"_s);
        QCOMPARE(messages, QStringList({u"请输入邮件主题！"_s, u"请输入邮件正文！"_s}));
        QCOMPARE(focusAfterSubject, u"edSubject"_s);
        QCOMPARE(focusAfterBody, u"mmBody"_s);
        QVERIFY(QFile::exists(saved + u".txt"_s)); // the double ".txt"
        QVERIFY(!QFile::exists(saved));
        QFile out(saved + u".txt"_s);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(out.readAll()), u"导入的正文\n第二行"_s);

        MailMessage &msg = m.w->message();
        QCOMPARE(msg.subject, u"报价"_s);
        QCOMPARE(msg.cc, QStringList({u"x@example.com"_s, u"y@example.com"_s}));
        QCOMPARE(msg.attachments, QStringList({dir.filePath(u"c.bin"_s)}));
        QCOMPARE(f.logCount(u"工具-邮件群发-邮件内容"_s), 1);

        // The dialog shows the message as it stands; 确定 replaces it whole, 取消 keeps it.
        testsupport::whenModal(u"TfrmMailMemo"_s, [](QWidget *d) {
            CloseOnExit closing{d};
            auto *memo = static_cast<MailMemoDialog *>(d);
            QCOMPARE(memo->subject()->text(), u"报价"_s);
            QCOMPARE(memo->attachments()->count(), 1);
            memo->attachments()->clear();
            memo->cc()->clear();
            button(d, "btnOK")->click();
        });
        m.trigger("Act_Memo");
        QVERIFY(msg.attachments.isEmpty());
        QVERIFY(msg.cc.isEmpty());
        testsupport::whenModal(u"TfrmMailMemo"_s, [](QWidget *d) {
            CloseOnExit closing{d};
            static_cast<MailMemoDialog *>(d)->subject()->setText(u"别的"_s);
            button(d, "btnCancel")->click();
        });
        m.trigger("Act_Memo");
        QCOMPARE(msg.subject, u"报价"_s);
    }

    // 导入... reads a body in the encoding its file was written in, and says which one when it
    // is not UTF-8.
    void importReadsTheFilesEncoding()
    {
        MailFixture f(u"sqlite"_s);
        MailWindowOnFixture m(f);
        QTemporaryDir dir;
        const QString text = u"您好，欢迎来访！\n第二行：人大一页长"_s;
        QStringEncoder gb18030("GB18030");
        QVERIFY(gb18030.isValid());
        QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        const struct {
            QString name;
            QByteArray bytes;
            QString said; // the message, or none for UTF-8
        } files[] = {
            {u"gbk.txt"_s, gb18030.encode(text),
             u"文件“gbk.txt”不是 UTF-8 编码，已按 GB18030 编码读入。"_s},
            {u"utf8.txt"_s, text.toUtf8(), {}},
            {u"bom.txt"_s, "\xEF\xBB\xBF" + text.toUtf8(), {}},
            {u"utf16.txt"_s, utf16.encode(text),
             u"文件“utf16.txt”不是 UTF-8 编码，已按 UTF-16LE 编码读入。"_s},
        };
        for (const auto &file : files) {
            QFile out(dir.filePath(file.name));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(file.bytes);
        }
        QStringList bodies;
        QList<QStringList> said;
        testsupport::whenModal(u"TfrmMailMemo"_s, [&](QWidget *d) {
            CloseOnExit closing{d};
            auto *memo = static_cast<MailMemoDialog *>(d);
            for (const auto &file : files) {
                MessageBox::clearHistory();
                FileDialog::setNextFileName(dir.filePath(file.name));
                button(d, "btnImport")->click();
                bodies << memo->body()->toPlainText();
                said << shownTexts();
            }
            d->close();
        });
        m.trigger("Act_Memo");
        QCOMPARE(bodies, QStringList(4, text));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(said[i], files[i].said.isEmpty() ? QStringList() : QStringList{files[i].said});
    }

    void serverDialogFields()
    {
        MailFixture f(u"sqlite"_s);
        MailWindowOnFixture m(f);
        testsupport::whenModal(u"TfrmMailServer"_s, [](QWidget *d) {
            CloseOnExit closing{d};
            auto *s = static_cast<MailServerDialog *>(d);
            QCOMPARE(s->windowTitle(), u"服务器设置"_s);
            QCOMPARE(s->focusWidget(), static_cast<QWidget *>(s->host()));
            QCOMPARE(s->host()->count(), 6);
            QVERIFY(s->host()->isEditable());
            QCOMPARE(s->port()->text(), u"25"_s);
            s->password()->setText(u"abc"_s);
            QCOMPARE(s->password()->echoMode(), QLineEdit::Password);
            QCOMPARE(s->password()->displayText(), u"***"_s);
            s->user()->setText(u"me"_s);
            // 断开 without a connection only says so.
            button(d, "btnDisconnect")->click();
            QCOMPARE(s->status(), u"断开连接!"_s);
            button(d, "btnClose")->click();
        });
        m.trigger("Act_Server");
        QCOMPARE(f.logCount(u"工具-邮件群发-服务器设置"_s), 1);
        // What was typed stays for the next opening in this process.
        testsupport::whenModal(u"TfrmMailServer"_s, [](QWidget *d) {
            CloseOnExit closing{d};
            auto *s = static_cast<MailServerDialog *>(d);
            QCOMPARE(s->user()->text(), u"me"_s);
            d->close();
        });
        m.trigger("Act_Server");
    }

    // 邮件工具: the subject and body arrive whole, whatever they hold.
    void mailTool()
    {
        MailFixture f(u"sqlite"_s);
        addContacts(f);
        MailWindowOnFixture m(f);
        testsupport::whenModal(u"TfrmMailMemo"_s, [](QWidget *d) { d->close(); });
        m.w->message().subject = u"报价"_s;
        m.trigger("Act_MailTool");
        QCOMPARE(shownTexts(), QStringList({u"请输入邮件内容!"_s}));
        QVERIFY(DesktopServices::calls().isEmpty());

        m.w->message().subject = u"A&B? 50% #1"_s;
        m.w->message().body = u"第一行 a=1&b=2\n第二行?"_s;
        f.dm.qryLinkmans3.first();
        m.trigger("Act_MailTool");
        QCOMPARE(DesktopServices::last().kind, DesktopServices::Kind::Mail);
        const QUrl url(DesktopServices::last().target);
        QCOMPARE(url.scheme(), u"mailto"_s);
        QCOMPARE(url.path(), u"wang@example.com"_s);
        const QUrlQuery query(url);
        QCOMPARE(query.queryItems().size(), 2);
        QCOMPARE(query.queryItemValue(u"subject"_s, QUrl::FullyDecoded), u"A&B? 50% #1"_s);
        QCOMPARE(query.queryItemValue(u"body"_s, QUrl::FullyDecoded),
                 u"第一行 a=1&b=2\r\n第二行?"_s);
        QCOMPARE(f.logCount(u"工具-邮件群发-邮件工具"_s), 0);
    }
};

QTEST_MAIN(TestMailWindow)
#include "tst_mailwindow.moc"
