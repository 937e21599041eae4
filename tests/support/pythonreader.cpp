#include "pythonreader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

namespace testsupport
{

QJsonValue pythonJson(const QString &script, const QStringList &args)
{
    QProcess p;
    // The system interpreter, which has the Debian python3-* packages the tests read with.
    p.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + args);
    const bool done = p.waitForFinished(120000);
    const QByteArray errors = p.readAllStandardError();
    if (!done || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        const QByteArray text = QByteArray("python3 failed: ") + errors;
        QTest::qFail(text.constData(), __FILE__, __LINE__);
        return QJsonValue(QJsonValue::Undefined);
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(p.readAllStandardOutput(), &error);
    if (error.error != QJsonParseError::NoError) {
        const QByteArray text = "python3 printed no JSON: " + error.errorString().toUtf8();
        QTest::qFail(text.constData(), __FILE__, __LINE__);
        return QJsonValue(QJsonValue::Undefined);
    }
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

} // namespace testsupport
