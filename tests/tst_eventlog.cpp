// The log file: entry layout, appending, and how a failing write is reported.
#include "core/log/EventLog.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QTest>

using namespace tavrin;
using namespace tavrin::test;

class TestEventLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void entries_data();
    void entries();
    void appendsAfterExistingContent();
    void severalEntriesInOneWrite();
    void midnightShowsTheDateAlone();
    void failureReportedOncePerRun();
    void deletedLogIsCreatedAgain();
};

void TestEventLog::entries_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("start") << QByteArray("Tavrin starting")
                           << QByteArray("12/5/2026 11:00:58 AM: Tavrin starting\r\n");
    QTest::newRow("empty") << QByteArray() << QByteArray("12/5/2026 11:00:58 AM: \r\n");
    QTest::newRow("line breaks kept")
        << QByteArray("Got Message: h\na|1\n")
        << QByteArray("12/5/2026 11:00:58 AM: Got Message: h\na|1\n\r\n");
    QTest::newRow("single-byte text") << QByteArray("Row: \xe9\xff|T")
                                      << QByteArray("12/5/2026 11:00:58 AM: Row: \xe9\xff|T\r\n");
}

void TestEventLog::entries()
{
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, expected);
    TestEnvironment env;
    EventLog log(env.clock, env.prompter, QLocale(QLocale::English, QLocale::UnitedStates));
    log.writeLog(QByteArrayView(message));
    QCOMPARE(env.logBytes(), expected);
    QVERIFY(env.prompter.messages.isEmpty());
}

void TestEventLog::appendsAfterExistingContent()
{
    TestEnvironment env;
    QFile old(env.path("tavrin.log"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old line without break");
    old.close();
    EventLog log(env.clock, env.prompter, QLocale(QLocale::English, QLocale::UnitedStates));
    log.writeLog(QStringLiteral("x"));
    QCOMPARE(env.logBytes(), QByteArray("old line without break12/5/2026 11:00:58 AM: x\r\n"));
}

void TestEventLog::severalEntriesInOneWrite()
{
    TestEnvironment env;
    EventLog log(env.clock, env.prompter, QLocale(QLocale::English, QLocale::UnitedStates));
    log.writeLogs({"a", "b"});
    QCOMPARE(env.logBytes(),
             QByteArray("12/5/2026 11:00:58 AM: a\r\n12/5/2026 11:00:58 AM: b\r\n"));
}

void TestEventLog::midnightShowsTheDateAlone()
{
    TestEnvironment env;
    EventLog log(env.clock, env.prompter, QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(log.timeStamp(QDateTime(QDate(2026, 1, 2), QTime(0, 0, 0))),
             QStringLiteral("1/2/2026"));
    QCOMPARE(log.timeStamp(QDateTime(QDate(2026, 1, 2), QTime(0, 0, 1))),
             QStringLiteral("1/2/2026 12:00:01 AM"));
}

void TestEventLog::failureReportedOncePerRun()
{
    TestEnvironment env;
    // A directory in the log's place makes every write fail.
    QVERIFY(QDir(env.path(QString())).mkdir(QStringLiteral("tavrin.log")));
    EventLog log(env.clock, env.prompter);
    log.writeLog(QStringLiteral("one"));
    log.writeLog(QStringLiteral("two"));
    QCOMPARE(env.prompter.texts(), QStringList{QStringLiteral("Can't write to log file.")});
    QCOMPARE(env.prompter.messages.first().style, MessageStyle::Plain);
    QVERIFY(env.prompter.messages.first().title.isEmpty());

    // After a write succeeds, the next failure is reported again.
    QVERIFY(QDir(env.path(QString())).rmdir(QStringLiteral("tavrin.log")));
    log.writeLog(QStringLiteral("three"));
    QCOMPARE(env.prompter.messages.size(), 1);
    QVERIFY(QFile::remove(env.path("tavrin.log")));
    QVERIFY(QDir(env.path(QString())).mkdir(QStringLiteral("tavrin.log")));
    log.writeLog(QStringLiteral("four"));
    QCOMPARE(env.prompter.messages.size(), 2);
}

void TestEventLog::deletedLogIsCreatedAgain()
{
    TestEnvironment env;
    EventLog log(env.clock, env.prompter, QLocale(QLocale::English, QLocale::UnitedStates));
    log.writeLog(QStringLiteral("a"));
    QVERIFY(QFile::remove(env.path("tavrin.log")));
    log.writeLog(QStringLiteral("b"));
    QCOMPARE(env.logBytes(), QByteArray("12/5/2026 11:00:58 AM: b\r\n"));
}

QTEST_GUILESS_MAIN(TestEventLog)
#include "tst_eventlog.moc"
