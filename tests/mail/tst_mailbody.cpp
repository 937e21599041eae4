// A mail body imported from a text file: as its byte-order mark says, UTF-8 or GB18030,
// line ends made '\n'; a file that is no text, or too big for a mail, refused in words.
#include "mailbody.h"

#include <QTest>

class TestMailBody : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textsAreRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("encoding");
        QTest::newRow("utf-8") << QByteArray("尊敬的客户：\r\n您好！\n") << QStringLiteral("尊敬的客户：\n您好！\n")
                               << QStringLiteral("UTF-8");
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF报价\r") << QStringLiteral("报价\n")
                                         << QStringLiteral("UTF-8");
        // "你好，世界" as a Chinese editor saves it.
        QTest::newRow("gb18030") << QByteArray("\xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7\r\n")
                                 << QStringLiteral("你好，世界\n") << QStringLiteral("GB18030");
        // UTF-16 holds NUL bytes, yet it is text.
        QTest::newRow("utf-16") << QByteArray("\xFF\xFE`O}Y\r\0\n\0", 10) << QStringLiteral("你好\n")
                                << QStringLiteral("UTF-16LE");
        QTest::newRow("empty") << QByteArray() << QString() << QStringLiteral("UTF-8");
    }
    void textsAreRead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QString, encoding);
        const MailBody::Decoded d = MailBody::decode(bytes);
        QVERIFY2(d.refusal.isEmpty(), qPrintable(d.refusal));
        QCOMPARE(d.text, text);
        QCOMPARE(d.encoding, encoding);
    }

    void whatIsNoTextIsRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("binary") << QByteArray("PK\x03\x04\0\0\x08\0", 8) << QStringLiteral("不是文本文件");
        QTest::newRow("too big") << QByteArray(MailBody::MaxBytes + 1, 'a') << QStringLiteral("文件太大");
        // A UTF-16 text cut inside a character: the half is not dropped without a word.
        QTest::newRow("utf-16 cut short") << QByteArray("\xFF\xFE`O}", 5) << QStringLiteral("编码无法识别");
        QTest::newRow("neither encoding") << QByteArray("\x81\x30\xFF\xFF\x81") << QStringLiteral("编码无法识别");
    }
    void whatIsNoTextIsRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, refusal);
        const MailBody::Decoded d = MailBody::decode(bytes);
        QVERIFY2(d.refusal.contains(refusal), qPrintable(d.refusal));
        QVERIFY(d.text.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMailBody)
#include "tst_mailbody.moc"
