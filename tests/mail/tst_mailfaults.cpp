// Group mail when things go wrong: a server that goes away, falls silent, refuses the login
// or breaks TLS, and addresses, subjects, bodies and file names that try to be more than text.
#include "awkwardtexts.h"
#include "mailfixture.h"
#include "mailmemodialog.h"
#include "mailserverdialog.h"
#include "mailwindow.h"
#include "messagebox.h"
#include "smtpclient.h"
#include "smtppeer.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace
{

// The reasons of the failed list, in order.
QStringList failedReasons(MailWindow *w)
{
    QStringList out;
    for (int i = 0; i < w->failed()->topLevelItemCount(); ++i)
        out << w->failed()->topLevelItem(i)->text(1);
    return out;
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(data);
}

// The composition dialog with what a check put in; the texts the boxes showed and where the
// focus was when 确定 was refused.
struct Refusal {
    QStringList texts;
    QString focused;
    bool accepted = false;
};

Refusal composeRefused(MailWindowOnFixture &m, const std::function<void(MailMemoDialog *)> &fill)
{
    Refusal r;
    MessageBox::clearHistory();
    testsupport::whenModal(u"TfrmMailMemo"_s, [&](QWidget *d) {
        CloseOnExit closing{d};
        auto *memo = static_cast<MailMemoDialog *>(d);
        memo->subject()->setText(u"主题"_s);
        memo->body()->setPlainText(u"正文"_s);
        fill(memo);
        memo->findChild<QPushButton *>(u"btnOK"_s)->click();
        r.accepted = !memo->isVisible();
        r.focused = d->focusWidget() ? d->focusWidget()->objectName() : QString();
        if (memo->isVisible())
            memo->reject();
    });
    m.trigger("Act_Memo");
    r.texts = shownTexts();
    return r;
}

} // namespace

class TestMailFaults : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    // The server goes away after two of five copies and cannot be reached again: every
    // address not delivered is in the failed list, the window carries on, and 失败重发 with a
    // new 连接 and 发送 delivers exactly those.
    void serverGoneMidRun_data() { testsupport::addEngineRows(); }
    void serverGoneMidRun()
    {
        QFETCH(QString, engine);
        MailFixture f(engine);
        const QStringList all{u"a@example.com"_s, u"b@example.com"_s, u"c@example.com"_s,
                              u"d@example.com"_s, u"e@example.com"_s};
        f.addContactsWithEmails(all);
        MailWindowOnFixture m(f);
        m.w->findChild<QPushButton *>(u"btnAddAll"_s)->click();
        m.compose(u"通知"_s, u"正文"_s);
        {
            SmtpPeer peer(SmtpPeer::Mode::Drop, 2);
            m.connectTo(u"127.0.0.1"_s, peer.port(), u"me@example.com"_s);
            MessageBox::clearHistory();
            m.trigger("Act_Send");
            QCOMPARE(peer.messages().size(), 2);
        }
        QCOMPARE(m.w->failedAddresses(), all.mid(2));
        const QStringList reasons = failedReasons(m.w);
        QVERIFY2(reasons[0].startsWith(u"与服务器的连接已断开："_s), qPrintable(reasons[0]));
        QCOMPARE(reasons.mid(1), QStringList(2, u"未发送：与服务器的连接已断开"_s));
        QCOMPARE(shownTexts().size(), 1);
        QVERIFY2(
            shownTexts()[0].startsWith(u"发送完成：成功 2 封，失败 1 封\n与服务器的连接已断开"_s),
            qPrintable(shownTexts()[0]));
        QVERIFY(shownTexts()[0].contains(u"还有 2 封没有发送"_s));
        QVERIFY(!m.w->client().isConnected());
        QVERIFY(!m.w->isSending());
        QCOMPARE(m.w->pendingAddresses(), all); // the pending list is left as it was

        m.w->findChild<QPushButton *>(u"btnResendFailed"_s)->click();
        QCOMPARE(m.w->pendingAddresses(), all.mid(2));
        QVERIFY(m.w->failedAddresses().isEmpty());

        SmtpPeer again(SmtpPeer::Mode::Plain);
        m.connectTo(u"127.0.0.1"_s, again.port(), u"me@example.com"_s);
        QVERIFY(m.w->client().isConnected());
        MessageBox::clearHistory();
        m.trigger("Act_Send");
        QStringList delivered;
        for (const QJsonObject &msg : again.messages())
            delivered << msg[u"to"_s].toString();
        QCOMPARE(delivered, all.mid(2));
        QCOMPARE(shownTexts(), QStringList({u"发送完成：成功 3 封，失败 0 封"_s}));
        QVERIFY(m.w->failedAddresses().isEmpty());
    }

    // A refused login shows the server's own reply, closes the useless connection, and the
    // next 发送 asks for a new one instead of failing every copy.
    void refusedLogin()
    {
        MailFixture f(u"sqlite"_s);
        f.addContactsWithEmails({u"a@example.com"_s});
        SmtpPeer peer(SmtpPeer::Mode::TlsAuth);
        f.trustCertificate(peer);
        MailWindowOnFixture m(f);
        m.compose(u"通知"_s, u"正文"_s);
        m.w->findChild<QPushButton *>(u"btnAddAll"_s)->click();
        const QStringList statuses =
            m.connectTo(u"127.0.0.1"_s, peer.port(), u"me@example.com"_s, u"sender"_s, u"wrong"_s);
        QCOMPARE(statuses.mid(2), QStringList({u"服务器要求验证"_s, u"开始验证"_s,
                                               u"服务器验证失败!"_s, u"断开连接"_s}));
        QCOMPARE(shownTexts().size(), 2);
        QVERIFY2(shownTexts()[1].startsWith(u"服务器验证失败\n服务器的回答：535"_s),
                 qPrintable(shownTexts()[1]));
        QVERIFY(!m.w->client().isConnected());
        QCOMPARE(peer.events(u"auth"_s).size(), 1);
        QVERIFY(!peer.events(u"auth"_s)[0][u"ok"_s].toBool());

        MessageBox::clearHistory();
        testsupport::whenModal(u"TfrmMailServer"_s, [](QWidget *d) { d->close(); });
        m.trigger("Act_Send");
        QCOMPARE(shownTexts(), QStringList({u"未连接到服务器!"_s}));
        QVERIFY(peer.messages().isEmpty());
    }

    // A server that takes the connection and never greets, and one that stops answering in
    // the middle of a run, both end in a message after the timeout (2 s in this test).
    void silentServer()
    {
        MailFixture f(u"sqlite"_s);
        f.addContactsWithEmails({u"a@example.com"_s, u"b@example.com"_s, u"c@example.com"_s});
        MailWindowOnFixture m(f);
        m.w->findChild<QPushButton *>(u"btnAddAll"_s)->click();
        m.compose(u"通知"_s, u"正文"_s);
        {
            SmtpPeer stall(SmtpPeer::Mode::Stall);
            const QStringList statuses =
                m.connectTo(u"127.0.0.1"_s, stall.port(), u"me@example.com"_s);
            QCOMPARE(statuses.last(), u"无法连接到服务器!"_s);
            QCOMPARE(shownTexts(),
                     QStringList({u"无法连接到服务器!\n服务器在 2 秒内没有应答。"_s}));
            QVERIFY(!m.w->client().isConnected());
        }

        SmtpPeer slow(SmtpPeer::Mode::Slow, 1);
        m.connectTo(u"127.0.0.1"_s, slow.port(), u"me@example.com"_s);
        QVERIFY(m.w->client().isConnected());
        MessageBox::clearHistory();
        m.trigger("Act_Send");
        QCOMPARE(slow.messages().size(), 1);
        QCOMPARE(slow.events(u"stalled"_s).size(), 1); // not tried again on a silent server
        QCOMPARE(m.w->failedAddresses(), QStringList({u"b@example.com"_s, u"c@example.com"_s}));
        QCOMPARE(failedReasons(m.w),
                 QStringList({u"服务器在 2 秒内没有应答"_s, u"未发送：服务器在 2 秒内没有应答"_s}));
        QCOMPARE(shownTexts().size(), 1);
        QVERIFY2(
            shownTexts()[0].startsWith(
                u"发送完成：成功 1 封，失败 1 封\n服务器在 2 秒内没有应答，发送已提前停止，还有 1 封没有发送"_s),
            qPrintable(shownTexts()[0]));
        QVERIFY(!m.w->client().isConnected());
    }

    // A handshake that is not TLS and a certificate made out to another host (trusted as
    // such) are each named; no password goes out.
    void tlsFailures()
    {
        MailFixture f(u"sqlite"_s);
        MailWindowOnFixture m(f);
        {
            SmtpPeer bad(SmtpPeer::Mode::BadTls);
            const QStringList statuses =
                m.connectTo(u"127.0.0.1"_s, bad.port(), u"me@example.com"_s);
            QCOMPARE(statuses, QStringList({u"准备连接到服务器!"_s, u"无法连接到服务器!"_s}));
            QCOMPARE(bad.events(u"starttls"_s).size(), 1);
            QCOMPARE(shownTexts().size(), 1);
            QVERIFY2(shownTexts()[0].startsWith(
                         u"无法连接到服务器!\n与服务器建立加密连接（TLS）失败，连接已取消："_s),
                     qPrintable(shownTexts()[0]));
            QVERIFY(!m.w->client().isConnected());
        }
        MessageBox::clearHistory();
        SmtpPeer other(SmtpPeer::Mode::TlsOtherHost);
        f.trustCertificate(other);
        const QStringList statuses = m.connectTo(u"127.0.0.1"_s, other.port(), u"me@example.com"_s);
        QCOMPARE(statuses.last(), u"无法连接到服务器!"_s);
        QCOMPARE(
            shownTexts(),
            QStringList(
                {u"无法连接到服务器!\n服务器的证书属于其他主机，不是“127.0.0.1”，连接已取消。"_s}));
        QVERIFY(other.events(u"auth"_s).isEmpty());
        QVERIFY(!m.w->client().isConnected());
    }

    // Addresses with line breaks, blanks, brackets or non-ASCII letters never reach the
    // server: not as a recipient, not as a header. A plain one with signs arrives as typed.
    void addressesCannotInject_data() { testsupport::addEngineRows(); }
    void addressesCannotInject()
    {
        QFETCH(QString, engine);
        MailFixture f(engine);
        const QString plain = u"o'brien+100%_x@example.com"_s;
        QStringList bad{u"a@example.com\r\nBcc: evil@example.com"_s,
                        u"b@example.com\nRCPT TO:<evil@example.com>"_s,
                        u"with space@example.com"_s,
                        u"<c@example.com>"_s,
                        u"名字@例子.中国"_s,
                        u"\"q\"@example.com"_s,
                        u"a@@example.com"_s,
                        u"x@example..com"_s,
                        u"x@example.com\x01"_s};
        f.addContactsWithEmails(QStringList{bad[0], plain} + bad.mid(1));
        SmtpPeer peer(SmtpPeer::Mode::Plain);
        MailWindowOnFixture m(f);
        m.w->findChild<QPushButton *>(u"btnAddAll"_s)->click();
        QCOMPARE(m.w->pendingAddresses().size(), bad.size() + 1);
        QCOMPARE(m.w->pendingAddresses()[0], bad[0]); // stored and listed literally
        // Longer than any server takes (the contact's field holds 50 characters, so this one
        // is put in the list itself).
        bad << QString(250, u'a') + u"@example.com"_s;
        m.w->pending()->addItem(bad.last());
        m.compose(u"通知"_s, u"正文"_s);
        m.connectTo(u"127.0.0.1"_s, peer.port(), u"me@example.com"_s);
        MessageBox::clearHistory();
        m.trigger("Act_Send");
        const QList<QJsonObject> got = peer.messages();
        QCOMPARE(got.size(), 1);
        QCOMPARE(jsonStrings(got[0][u"rcpt_tos"_s]), QStringList({plain}));
        QCOMPARE(got[0][u"to"_s].toString(), plain);
        QVERIFY(!got[0][u"bcc_header"_s].toBool());
        QCOMPARE(m.w->failedAddresses(), bad);
        QCOMPARE(failedReasons(m.w), QStringList(bad.size(), u"地址不合法"_s));

        // The same in 抄送 and 暗送: refused in the composition, naming the field and the
        // address, with the focus on it; the message keeps what it had.
        for (const auto &[field, caption] :
             {std::pair{u"edCC"_s, u"抄送"_s}, std::pair{u"edBCC"_s, u"暗送"_s}}) {
            const Refusal r = composeRefused(m, [&](MailMemoDialog *d) {
                (field == u"edCC"_s ? d->cc() : d->bcc())->setText(u"ok@example.com, "_s + bad[0]);
            });
            QVERIFY(!r.accepted);
            QCOMPARE(r.texts.size(), 1);
            QVERIFY2(r.texts[0].startsWith(u"%1中的地址“%2”不合法！"_s.arg(caption, bad[0])),
                     qPrintable(r.texts[0]));
            QCOMPARE(r.focused, field);
            QVERIFY(m.w->message().cc.isEmpty() && m.w->message().bcc.isEmpty());
        }

        // And as the sender: 连接 refuses it before a word goes to the server.
        const int connects = int(peer.events(u"connect"_s).size());
        MessageBox::clearHistory();
        const QStringList statuses = m.connectTo(u"127.0.0.1"_s, peer.port(), bad[0]);
        QVERIFY(statuses.isEmpty());
        QCOMPARE(shownTexts(), QStringList({u"您输入的邮件地址不合法!"_s}));
        QCOMPARE(int(peer.events(u"connect"_s).size()), connects);
    }

    // Subjects, bodies and attachment names made of awkward characters arrive exactly; a line
    // break in a subject or a file name is refused before anything is sent.
    void awkwardTextsArriveLiterally()
    {
        MailFixture f(u"sqlite"_s);
        f.addContactsWithEmails({u"a@example.com"_s});
        SmtpPeer peer(SmtpPeer::Mode::Plain);
        QTemporaryDir files;
        const QStringList names{u"报价 \"单\" 100%_\\ 'x' 😀 עברית.txt"_s,
                                QString(60, u'长') + u" שם ארוך 😀 名字.pdf"_s};
        QStringList paths;
        for (const QString &n : names) {
            paths << files.filePath(n);
            writeFile(paths.last(), n.toUtf8());
        }
        MailWindowOnFixture m(f);
        m.w->findChild<QPushButton *>(u"btnAddAll"_s)->click();

        QString subject;
        for (const awkward::Case &c : awkward::cases())
            if (qstrcmp(c.name, "controls") != 0)
                subject += c.text + u' ';
        subject += QString(200, u'题');
        QString body;
        for (const awkward::Case &c : awkward::cases())
            body += c.text + u'\n';
        body += u".\n..\nFrom the start\n.leading dot\n"_s; // lines SMTP treats specially
        m.compose(subject, body, {}, {}, paths);
        QCOMPARE(m.w->message().subject, subject);
        m.connectTo(u"127.0.0.1"_s, peer.port(), u"me@example.com"_s);
        MessageBox::clearHistory();
        m.trigger("Act_Send");
        QCOMPARE(shownTexts(), QStringList({u"发送完成：成功 1 封，失败 0 封"_s}));
        const QList<QJsonObject> got = peer.messages();
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0][u"subject"_s].toString(), subject);
        QString arrived = got[0][u"body"_s].toString();
        arrived.replace(u"\r\n"_s, u"\n"_s);
        QString sent = body;
        sent.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
        QCOMPARE(arrived.trimmed(), sent.trimmed());
        const QJsonArray atts = got[0][u"attachments"_s].toArray();
        QCOMPARE(atts.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(atts[i][u"name"_s].toString(), names[i]);
            QCOMPARE(atts[i][u"size"_s].toInt(), int(names[i].toUtf8().size()));
        }

        // A subject with a line break, and a file whose name has one.
        Refusal r = composeRefused(m, [](MailMemoDialog *d) {
            d->subject()->setText(u"主题\r\nBcc: evil@example.com"_s);
        });
        QVERIFY(!r.accepted);
        QCOMPARE(r.texts, QStringList({u"邮件主题中不能含有换行符或其他控制字符！"_s}));
        QCOMPARE(r.focused, u"edSubject"_s);
        const QString broken = files.filePath(u"two\nlines.txt"_s);
        writeFile(broken, "x");
        r = composeRefused(m, [&](MailMemoDialog *d) { d->attachments()->addItem(broken); });
        QVERIFY(!r.accepted);
        QCOMPARE(r.texts.size(), 1);
        QVERIFY2(r.texts[0].endsWith(u"的文件名中含有换行符或其他控制字符，不能作为附件发送！"_s),
                 qPrintable(r.texts[0]));
        QCOMPARE(m.w->message().subject, subject);
        QCOMPARE(m.w->message().attachments, paths);
    }

    // An attachment removed after it was chosen is named before the run; nothing is sent and
    // the connection stays, so the same 发送 works once the file is back.
    void missingAttachmentBeforeTheRun()
    {
        MailFixture f(u"sqlite"_s);
        f.addContactsWithEmails({u"a@example.com"_s, u"b@example.com"_s});
        SmtpPeer peer(SmtpPeer::Mode::Plain);
        QTemporaryDir files;
        const QString path = files.filePath(u"合同.pdf"_s);
        writeFile(path, "contract");
        MailWindowOnFixture m(f);
        m.w->findChild<QPushButton *>(u"btnAddAll"_s)->click();
        m.compose(u"通知"_s, u"正文"_s, {}, {}, {path});
        QCOMPARE(m.w->message().attachments, QStringList({path}));
        m.connectTo(u"127.0.0.1"_s, peer.port(), u"me@example.com"_s);
        QVERIFY(QFile::remove(path));
        MessageBox::clearHistory();
        m.trigger("Act_Send");
        QCOMPARE(shownTexts().size(), 1);
        QVERIFY2(shownTexts()[0].startsWith(u"附件“%1”已不存在，邮件没有发送。"_s.arg(path)),
                 qPrintable(shownTexts()[0]));
        QVERIFY(peer.messages().isEmpty());
        QVERIFY(m.w->client().isConnected());

        writeFile(path, "contract");
        MessageBox::clearHistory();
        m.trigger("Act_Send");
        QCOMPARE(shownTexts(), QStringList({u"发送完成：成功 2 封，失败 0 封"_s}));
        QCOMPARE(peer.messages().size(), 2);

        // In the composition, a file that is not there is refused at 确定.
        const Refusal r = composeRefused(m, [&](MailMemoDialog *d) {
            d->attachments()->addItem(files.filePath(u"不存在.doc"_s));
        });
        QVERIFY(!r.accepted);
        QCOMPARE(r.texts,
                 QStringList({u"附件“%1”不存在！"_s.arg(files.filePath(u"不存在.doc"_s))}));
    }
};

int main(int argc, char **argv)
{
    // Each network step gives up after 2 s here, so the silent servers cost seconds.
    qputenv("TESSALY_SMTP_TIMEOUT", "2");
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestMailFaults t;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&t, argc, argv);
}

#include "tst_mailfaults.moc"
