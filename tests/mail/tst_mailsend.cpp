// Group mail against a real SMTP server on loopback: what arrives there, the connection and
// login steps, and the runs that go wrong.
#include "datamodule.h"
#include "mailfixture.h"
#include "mailwindow.h"
#include "messagebox.h"
#include "smtpclient.h"
#include "smtppeer.h"

#include "mailserverdialog.h"
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace
{

QString sha256(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

} // namespace

class TestMailSend : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void init() { resetScripts(); }

    void authenticatedOverTls_data() { testsupport::addEngineRows(); }
    void authenticatedOverTls()
    {
        QFETCH(QString, engine);
        MailFixture f(engine);
        f.addContactsWithEmails({u"wang@example.com"_s, u""_s, u"li@example.com"_s});
        SmtpPeer peer(SmtpPeer::Mode::TlsAuth);
        f.trustCertificate(peer);
        QTemporaryDir files;
        const QString plan = files.filePath(u"报价单.pdf"_s),
                      notes = files.filePath(u"notes.txt"_s);
        QByteArray planBytes(100 * 1024, '\0');
        for (int i = 0; i < planBytes.size(); ++i)
            planBytes[i] = char(i * 7 % 251);
        for (auto [path, data] :
             {std::pair{plan, planBytes}, std::pair{notes, QByteArray("第一行\n")}}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(data);
        }

        MailWindowOnFixture m(f);
        m.w->findChild<QPushButton *>(u"btnAddAll"_s)->click();
        QCOMPARE(m.w->pendingAddresses(),
                 QStringList({u"wang@example.com"_s, u""_s, u"li@example.com"_s}));
        const QString subject = u"新品报价 & 说明？"_s, body = u"您好！\n附件是报价单。\n星桥"_s;
        m.compose(subject, body, u" cc1@example.com , cc2@example.com"_s, u"hidden@example.com"_s,
                  {plan, notes});
        const QStringList statuses =
            m.connectTo(u"127.0.0.1"_s, peer.port(), u"  me@example.com "_s);
        QCOMPARE(statuses, QStringList({u"准备连接到服务器!"_s, u"已经连接到服务器 127.0.0.1"_s,
                                        u"服务器要求验证"_s, u"开始验证"_s, u"服务器验证通过!"_s}));
        QVERIFY(m.w->client().isSecured());
        QVERIFY(shownTexts().contains(u"服务器要求验证"_s));

        MessageBox::clearHistory();
        m.trigger("Act_Send");
        QVERIFY(!m.w->isSending());

        // The login went over TLS, with LOGIN, as the user typed it.
        const QList<QJsonObject> auths = peer.events(u"auth"_s);
        QCOMPARE(auths.size(), 1);
        QCOMPARE(auths[0][u"mechanism"_s].toString(), u"LOGIN"_s);
        QVERIFY(auths[0][u"ok"_s].toBool());
        QVERIFY(auths[0][u"tls"_s].toBool());

        // One copy per non-empty address, each with CC and BCC as recipients, BCC unseen.
        const QList<QJsonObject> got = peer.messages();
        QCOMPARE(got.size(), 2);
        const QStringList to{u"wang@example.com"_s, u"li@example.com"_s};
        for (int i = 0; i < 2; ++i) {
            const QJsonObject &msg = got[i];
            QVERIFY(msg[u"tls"_s].toBool());
            QCOMPARE(msg[u"mail_from"_s].toString(), u"me@example.com"_s);
            QCOMPARE(msg[u"from"_s].toString(), u"me@example.com"_s);
            QCOMPARE(msg[u"to"_s].toString(), to[i]);
            QCOMPARE(jsonStrings(msg[u"rcpt_tos"_s]),
                     QStringList({to[i], u"cc1@example.com"_s, u"cc2@example.com"_s,
                                  u"hidden@example.com"_s}));
            QCOMPARE(msg[u"cc"_s].toString(), u"cc1@example.com, cc2@example.com"_s);
            QVERIFY(!msg[u"bcc_header"_s].toBool());
            QCOMPARE(msg[u"subject"_s].toString(), subject);
            QVERIFY2(msg[u"raw_subject"_s].toString().contains(u"=?"_s),
                     qPrintable(msg[u"raw_subject"_s].toString()));
            QCOMPARE(msg[u"charset"_s].toString().toLower(), u"utf-8"_s);
            QCOMPARE(msg[u"body"_s].toString().replace(u"\r\n"_s, u"\n"_s).trimmed(), body);
            const QJsonArray atts = msg[u"attachments"_s].toArray();
            QCOMPARE(atts.size(), 2);
            QCOMPARE(atts[0][u"name"_s].toString(), u"报价单.pdf"_s);
            QCOMPARE(atts[0][u"sha256"_s].toString(), sha256(planBytes));
            QCOMPARE(atts[0][u"encoding"_s].toString().toLower(), u"base64"_s);
            QCOMPARE(atts[1][u"name"_s].toString(), u"notes.txt"_s);
            QCOMPARE(atts[1][u"sha256"_s].toString(), sha256(QByteArray("第一行\n")));
        }

        // The empty entry failed without the server; one summary, no box per address.
        QCOMPARE(m.w->failedAddresses(), QStringList({QString()}));
        QCOMPARE(m.w->failed()->topLevelItem(0)->text(1), u"地址为空"_s);
        QCOMPARE(shownTexts(), QStringList({u"发送完成：成功 2 封，失败 1 封"_s}));
        QCOMPARE(m.w->pendingAddresses().size(), 3); // kept for another run

        // The run disconnected: a second 发送 asks for a connection again.
        QVERIFY(!m.w->client().isConnected());
        MessageBox::clearHistory();
        testsupport::whenModal(u"TfrmMailServer"_s, [](QWidget *d) { d->close(); });
        m.trigger("Act_Send");
        QCOMPARE(shownTexts(), QStringList({u"未连接到服务器!"_s}));
        QCOMPARE(peer.messages().size(), 2);
        QCOMPARE(f.logCount(u"工具-邮件群发-发送"_s), 2);
    }

    // Every copy is a message of its own: its own Message-ID on the sender's domain, and the
    // Date it went out, read back by Python's email package.
    void eachCopyIsDatedAndNamedOnItsOwn()
    {
        MailFixture f(u"sqlite"_s);
        SmtpPeer peer(SmtpPeer::Mode::Plain);
        MailMessage message;
        message.subject = u"通知"_s;
        message.body = u"第一行\n.\n..以点开头的行\n"_s;
        message.from = u"sales@xingqiao.example"_s;
        const PreparedMail mail(message);
        SmtpClient client;
        SmtpSettings settings;
        settings.host = u"127.0.0.1"_s;
        settings.port = peer.port();
        client.connectToServer(settings);
        QTest::qWait(1100); // the copies go out a second after the message was made
        const qint64 sendingFrom = QDateTime::currentSecsSinceEpoch();
        for (const QString &to : {u"a@example.com"_s, u"b@example.com"_s, u"c@example.com"_s})
            QVERIFY(client.send(mail, to).isEmpty());
        const qint64 sendingTo = QDateTime::currentSecsSinceEpoch();
        const QList<QJsonObject> got = peer.messages();
        QCOMPARE(got.size(), 3);
        QSet<QString> ids;
        for (const QJsonObject &msg : got) {
            QCOMPARE(msg[u"message_ids"_s].toInt(), 1);
            QCOMPARE(msg[u"dates"_s].toInt(), 1);
            const QString id = msg[u"message_id"_s].toString();
            QVERIFY2(id.startsWith(u'<') && id.endsWith(u"@xingqiao.example>"_s), qPrintable(id));
            QVERIFY2(msg[u"message_id_defects"_s].toArray().isEmpty(), qPrintable(id));
            ids.insert(id);
            const qint64 sentAt = qint64(msg[u"sent_at"_s].toDouble());
            QVERIFY2(sentAt >= sendingFrom && sentAt <= sendingTo,
                     qPrintable(msg[u"date"_s].toString()));
            // Lines that begin with a dot arrive as they were written.
            QCOMPARE(msg[u"body"_s].toString().replace(u"\r\n"_s, u"\n"_s), message.body);
        }
        QCOMPARE(ids.size(), 3);
    }

    // A CC or BCC address the server refuses is named once, with the server's reply; every
    // copy still reaches its To address and the other copy recipients.
    void refusedCopyRecipientIsNamedOnce_data() { testsupport::addEngineRows(); }
    void refusedCopyRecipientIsNamedOnce()
    {
        QFETCH(QString, engine);
        MailFixture f(engine);
        f.addContactsWithEmails(
            {u"wang@example.com"_s, u"li@example.com"_s, u"zhao@example.com"_s});
        SmtpPeer peer(SmtpPeer::Mode::Plain, 0,
                      {u"gone@example.com"_s, u"left@example.com"_s, u"zhao@example.com"_s});
        MailWindowOnFixture m(f);
        m.w->findChild<QPushButton *>(u"btnAddAll"_s)->click();
        m.compose(u"通知"_s, u"正文"_s, u"gone@example.com, cc@example.com"_s,
                  u"left@example.com"_s);
        m.connectTo(u"127.0.0.1"_s, peer.port(), u"me@example.com"_s);
        MessageBox::clearHistory();
        m.trigger("Act_Send");
        QVERIFY(!m.w->isSending());

        const QList<QJsonObject> got = peer.messages();
        QCOMPARE(got.size(), 2);
        QCOMPARE(jsonStrings(got[0][u"rcpt_tos"_s]),
                 QStringList({u"wang@example.com"_s, u"cc@example.com"_s}));
        QCOMPARE(jsonStrings(got[1][u"rcpt_tos"_s]),
                 QStringList({u"li@example.com"_s, u"cc@example.com"_s}));
        // The refused To address fails its own copy; each refused copy recipient is named once.
        QCOMPARE(m.w->failedAddresses(), QStringList({u"gone@example.com"_s, u"left@example.com"_s,
                                                      u"zhao@example.com"_s}));
        for (int i = 0; i < 3; ++i) {
            const QString reason = m.w->failed()->topLevelItem(i)->text(1);
            QVERIFY2(reason.startsWith(u"550 "_s) && reason.contains(m.w->failedAddresses()[i]),
                     qPrintable(reason));
        }
        QCOMPARE(shownTexts().size(), 1);
        QVERIFY2(shownTexts()[0].startsWith(
                     u"发送完成：成功 2 封，失败 1 封\n服务器拒收了 2 个抄送或暗送地址"_s),
                 qPrintable(shownTexts()[0]));
    }

    // A certificate nobody vouches for ends the connection with a message; no password is sent.
    void untrustedCertificateIsRefused()
    {
        MailFixture f(u"sqlite"_s);
        SmtpPeer peer(SmtpPeer::Mode::TlsAuth);
        MailWindowOnFixture m(f);
        const QStringList statuses = m.connectTo(u"127.0.0.1"_s, peer.port(), u"me@example.com"_s);
        QCOMPARE(statuses, QStringList({u"准备连接到服务器!"_s, u"无法连接到服务器!"_s}));
        QVERIFY(!m.w->client().isConnected());
        QCOMPARE(shownTexts().size(), 1);
        QVERIFY2(shownTexts()[0].startsWith(u"无法连接到服务器!\n服务器的证书未能通过验证"_s),
                 qPrintable(shownTexts()[0]));
        QVERIFY(peer.events(u"auth"_s).isEmpty());
    }

    void serverWithoutLogin_data() { testsupport::addEngineRows(); }
    void serverWithoutLogin()
    {
        QFETCH(QString, engine);
        MailFixture f(engine);
        f.addContactsWithEmails({u"zhao@example.com"_s});
        SmtpPeer peer(SmtpPeer::Mode::Plain);
        MailWindowOnFixture m(f);
        m.compose(u"通知"_s, u"正文"_s);
        // User name and password are required by the dialog but never used.
        const QStringList statuses = m.connectTo(u"127.0.0.1"_s, peer.port(), u"me@example.com"_s);
        QCOMPARE(statuses.last(), u"服务器不需要验证"_s);
        QVERIFY(!statuses.contains(u"开始验证"_s));
        QVERIFY(shownTexts().isEmpty());
        m.w->findChild<QPushButton *>(u"btnAdd"_s)->click();
        m.trigger("Act_Send");
        QCOMPARE(peer.messages().size(), 1);
        QVERIFY(!peer.messages()[0][u"authenticated"_s].toBool());
        QVERIFY(peer.events(u"auth"_s).isEmpty());
        QCOMPARE(shownTexts().last(), u"发送完成：成功 1 封，失败 0 封"_s);
    }

    // Without TLS the password is sent only after the user agreed, once per server.
    void plainLoginAsksFirst()
    {
        MailFixture f(u"sqlite"_s);
        SmtpPeer peer(SmtpPeer::Mode::PlainAuth);
        MailWindowOnFixture m(f);
        MessageBox::setNextAnswer(QMessageBox::Ok); // 服务器要求验证
        MessageBox::setNextAnswer(QMessageBox::No); // send the password in the clear?
        QStringList statuses = m.connectTo(u"127.0.0.1"_s, peer.port(), u"me@example.com"_s);
        QCOMPARE(statuses, QStringList({u"准备连接到服务器!"_s, u"已经连接到服务器 127.0.0.1"_s,
                                        u"服务器要求验证"_s, u"断开连接!"_s}));
        QCOMPARE(MessageBox::history().size(), 2);
        QVERIFY(MessageBox::history()[1].text.contains(u"明文"_s));
        QCOMPARE(MessageBox::history()[1].defaultButton, QMessageBox::No);
        QVERIFY(!m.w->client().isConnected());
        QVERIFY(peer.events(u"auth"_s).isEmpty());

        MessageBox::clearHistory();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        statuses = m.connectTo(u"127.0.0.1"_s, peer.port(), u"me@example.com"_s);
        QCOMPARE(statuses.last(), u"服务器验证通过!"_s);
        QCOMPARE(peer.events(u"auth"_s).size(), 1);

        // Agreed once: the next connection to that server does not ask again; a wrong
        // password is refused by the server.
        MessageBox::clearHistory();
        statuses =
            m.connectTo(u"127.0.0.1"_s, peer.port(), u"me@example.com"_s, u"sender"_s, u"wrong"_s);
        QVERIFY2(statuses.mid(2) == QStringList({u"服务器要求验证"_s, u"开始验证"_s,
                                                 u"服务器验证失败!"_s, u"断开连接"_s}),
                 qPrintable(statuses.join(u"|"_s)));
        QCOMPARE(shownTexts().size(), 2);
        QVERIFY2(shownTexts()[1].startsWith(u"服务器验证失败\n服务器的回答：535"_s),
                 qPrintable(shownTexts()[1]));
    }

    // Checks that stop 连接 before any network work, in the dialog's order.
    void connectChecks()
    {
        MailFixture f(u"sqlite"_s);
        SmtpPeer peer(SmtpPeer::Mode::Plain);
        MailWindowOnFixture m(f);
        const int before = int(peer.events(u"connect"_s).size());
        const struct {
            QString host, port, sender, user, password, message;
        } cases[] = {
            {u""_s, u"25"_s, u"me@x.com"_s, u"u"_s, u"p"_s, u"请输入服务器地址!"_s},
            {u"h"_s, u""_s, u"me@x.com"_s, u"u"_s, u"p"_s, u"请输入服务器端口号!"_s},
            {u"h"_s, u"25"_s, u""_s, u"u"_s, u"p"_s, u"请输入发件人地址!"_s},
            {u"h"_s, u"25"_s, u"me@x.com"_s, u""_s, u"p"_s, u"请输入用户名!"_s},
            {u"h"_s, u"25"_s, u"me@x.com"_s, u"u"_s, u""_s, u"请输入用户密码!"_s},
            {u"127.0.0.1"_s, QString::number(peer.port()), u"me.example.com"_s, u"u"_s, u"p"_s,
             u"您输入的邮件地址不合法!"_s},
        };
        for (const auto &c : cases) {
            MessageBox::clearHistory();
            QString focused;
            QStringList statuses;
            testsupport::whenModal(u"TfrmMailServer"_s, [&](QWidget *d) {
                CloseOnExit closing{d};
                auto *dialog = static_cast<MailServerDialog *>(d);
                dialog->host()->setCurrentText(c.host);
                dialog->port()->setText(c.port);
                dialog->sender()->setText(c.sender);
                dialog->user()->setText(c.user);
                dialog->password()->setText(c.password);
                dialog->findChild<QPushButton *>(u"btnConnect"_s)->click();
                focused = d->focusWidget() ? d->focusWidget()->objectName() : QString();
                statuses = dialog->statusHistory();
                d->close();
            });
            m.trigger("Act_Server");
            QCOMPARE(shownTexts(), QStringList({c.message}));
            QVERIFY(statuses.isEmpty());
            if (c.message == u"您输入的邮件地址不合法!"_s)
                QCOMPARE(focused, u"edSender"_s);
        }
        QCOMPARE(int(peer.events(u"connect"_s).size()), before); // the server never heard of it
        QVERIFY(m.w->message().from.isEmpty());

        // A port that is not a number, and nobody listening.
        for (const QString &port : {u"2x5"_s, u"1"_s}) {
            MessageBox::clearHistory();
            const QStringList statuses =
                m.connectTo(u"127.0.0.1"_s, port.toInt() ? 1 : 0, u"me@x.com"_s);
            QCOMPARE(statuses.last(), u"无法连接到服务器!"_s);
            QCOMPARE(shownTexts(), QStringList({u"无法连接到服务器!"_s}));
        }
    }
};

QTEST_MAIN(TestMailSend)
#include "tst_mailsend.moc"
