// Folding, pinyin and Chinese order, as a search box and a header click use them.
#include "searchtext.h"

#include <QStringList>
#include <QTest>

#include <algorithm>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

class TestSearchText : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    // Letter case and full-width forms fold alike; Chinese stays as it is.
    void foldingIgnoresCaseAndWidth()
    {
        QCOMPARE(search::fold(u"ＡＢｃ１２"), u"abc12"_s);
        QCOMPARE(search::fold(u"China"), search::fold(u"CHINA"));
        QCOMPARE(search::fold(u"中国（北京）"), u"中国(北京)"_s);
    }

    // Names by their whole pinyin and their initials, without tones; other characters kept
    // folded in both forms; ü without its dots.
    void pinyinWholeAndInitials_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("full");
        QTest::addColumn<QString>("initials");
        QTest::newRow("name") << u"王芳"_s << u"wangfang"_s << u"wf"_s;
        QTest::newRow("three") << u"张三丰"_s << u"zhangsanfeng"_s << u"zsf"_s;
        QTest::newRow("country") << u"中国"_s << u"zhongguo"_s << u"zg"_s;
        QTest::newRow("umlaut") << u"吕"_s << u"lu"_s << u"l"_s;
        QTest::newRow("mixed") << u"王芳Ａ1 号"_s << u"wangfanga1hao"_s << u"wfa1h"_s;
        QTest::newRow("latin") << u"Acme Ltd"_s << u"acmeltd"_s << u"acmeltd"_s;
        QTest::newRow("empty") << QString() << QString() << QString();
    }
    void pinyinWholeAndInitials()
    {
        QFETCH(QString, text);
        QFETCH(QString, full);
        QFETCH(QString, initials);
        const search::Pinyin p = search::pinyinOf(text);
        QCOMPARE(p.full, full);
        QCOMPARE(p.initials, initials);
    }

    // The search column finds a row by its text, its pinyin or its initials, and a Latin
    // text holds no pinyin forms.
    void searchKeyHoldsEveryForm()
    {
        const QString key = search::searchKey(u"王芳（Ｍａｒｙ）");
        for (const QString &query : {u"王芳"_s, u"mary"_s, u"wangfang"_s, u"wf"_s, u"fang"_s})
            QVERIFY2(key.contains(search::fold(query)), qPrintable(key + u" / "_s + query));
        QCOMPARE(search::searchKey(u"China Ltd"), u"china ltd"_s);
    }

    // Chinese texts sort by pinyin: 二 (er) before 三 (san) before 一 (yi), not by code point.
    void chineseOrderIsPinyinOrder()
    {
        QStringList levels{u"一级"_s, u"三级"_s, u"二级"_s};
        std::sort(levels.begin(), levels.end(), [](const QString &a, const QString &b) {
            return search::compareChinese(a, b) < 0;
        });
        QCOMPARE(levels, (QStringList{u"二级"_s, u"三级"_s, u"一级"_s}));
        QVERIFY(search::compareChinese(u"北京", u"上海") < 0); // bei < shang
        QCOMPARE(search::compareChinese(u"王芳", u"王芳"), 0);
    }

    // Several threads (the store's seats, an import) read pinyin at once and agree.
    void pinyinFromSeveralThreads()
    {
        std::vector<QString> results(4);
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < results.size(); ++i)
            threads.emplace_back([&results, i] {
                QString all;
                for (int n = 0; n < 200; ++n)
                    all = search::pinyinOf(u"欧阳娜娜").full + search::pinyinOf(u"诸葛亮").initials;
                results[i] = all;
            });
        for (std::thread &t : threads)
            t.join();
        for (const QString &r : results)
            QCOMPARE(r, u"ouyangnanazgl"_s);
    }
};

QTEST_GUILESS_MAIN(TestSearchText)
#include "tst_searchtext.moc"
