// The log file: entry layout, appending, its bounds on disk, how a failing write is reported;
// and the text a message box makes of outside text, which the log keeps whole.
#include "core/log/EventLog.h"
#include "core/platform/MessageText.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <sys/stat.h>
#include <thread>

using namespace tavrin;
using namespace tavrin::test;

namespace {

const QLocale us(QLocale::English, QLocale::UnitedStates);
const QByteArray stamp = "12/5/2026 11:00:58 AM: ";

} // namespace

class TestEventLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void entries_data();
    void entries();
    void appendsAndCreatesAgain();
    void midnightShowsTheDateAlone();
    void failureReportedOncePerRun();
    void boundedOnDisk();
    void fullQueueDropsAndCounts();
    void messageBoxText_data();
    void messageBoxText();
};

void TestEventLog::entries_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("start") << QByteArray("Tavrin starting") << stamp + "Tavrin starting\r\n";
    QTest::newRow("empty") << QByteArray() << stamp + "\r\n";
    QTest::newRow("line breaks kept")
        << QByteArray("Got Message: h\na|1\n") << stamp + "Got Message: h\na|1\n\r\n";
    QTest::newRow("single-byte text")
        << QByteArray("Row: \xe9\xff|\0T", 10) << stamp + QByteArray("Row: \xe9\xff|\0T\r\n", 12);
    // An entry keeps 1 MiB of a longer text and says how much it left out.
    const QByteArray mib(1 << 20, 'x');
    QTest::newRow("1 MiB whole") << mib << stamp + mib + "\r\n";
    QTest::newRow("cut") << mib + "yz" << stamp + mib + " [2 more bytes left out of the log]\r\n";
}

void TestEventLog::entries()
{
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, expected);
    TestEnvironment env;
    EventLog log(env.clock, env.prompter, us);
    log.writeLog(QByteArrayView(message));
    log.flush();
    QCOMPARE(env.logBytes(), expected);
    QVERIFY(env.prompter.messages.isEmpty());
}

// Existing content is kept; a log deleted while running is created again.
void TestEventLog::appendsAndCreatesAgain()
{
    TestEnvironment env;
    QFile old(env.path("tavrin.log"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old line without break");
    old.close();
    EventLog log(env.clock, env.prompter, us);
    log.writeLog(QStringLiteral("x"));
    log.flush();
    QCOMPARE(env.logBytes(), "old line without break" + stamp + "x\r\n");
    QVERIFY(QFile::remove(env.path("tavrin.log")));
    log.writeLog(QStringLiteral("b"));
    log.flush();
    QCOMPARE(env.logBytes(), stamp + "b\r\n");
}

void TestEventLog::midnightShowsTheDateAlone()
{
    TestEnvironment env;
    EventLog log(env.clock, env.prompter, us);
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
    log.flush();
    QTRY_COMPARE(env.prompter.texts(), QStringList{QStringLiteral("Can't write to log file.")});
    QCOMPARE(env.prompter.messages.first().style, MessageStyle::Plain);
    QVERIFY(env.prompter.messages.first().title.isEmpty());

    // After a write succeeds, the next failure is reported again.
    QVERIFY(QDir(env.path(QString())).rmdir(QStringLiteral("tavrin.log")));
    log.writeLog(QStringLiteral("three"));
    log.flush();
    QVERIFY(QFile::remove(env.path("tavrin.log")));
    QVERIFY(QDir(env.path(QString())).mkdir(QStringLiteral("tavrin.log")));
    log.writeLog(QStringLiteral("four"));
    QTRY_COMPARE(env.prompter.messages.size(), 2);
}

void TestEventLog::boundedOnDisk()
{
    TestEnvironment env;
    QFile older(env.path("tavrin.log.1"));
    QVERIFY(older.open(QIODevice::WriteOnly));
    older.write("an older generation, replaced");
    older.close();
    const qint64 fileCap = qint64(32) << 20;
    // Replies of 3 MiB logged whole (then cut) and in rows of 100 KiB: 100 MiB of entries.
    QByteArray reply(3 << 20, 'r');
    for (qsizetype at = 0; at < reply.size(); at += 100 << 10)
        reply[at] = '\n';
    EventLog log(env.clock, env.prompter, us);
    qint64 submitted = 0;
    int replies = 0;
    while (submitted < (qint64(100) << 20)) {
        LogBatch batch(reply);
        batch.add("Got Message: ", reply);
        for (qsizetype at = 1; at < reply.size(); at += 100 << 10)
            batch.add("Row: ", QByteArrayView(reply).sliced(at).first(
                                   std::min<qsizetype>((100 << 10) - 1, reply.size() - at)));
        batch.add("Reply ", ++replies);
        submitted += batch.bytes();
        log.writeLogs(std::move(batch));
        if (replies % 4 == 0)
            log.flush();
        QVERIFY(QFileInfo(env.path("tavrin.log")).size() <= fileCap);
        QVERIFY(QFileInfo(env.path("tavrin.log.1")).size() <= fileCap);
    }
    log.flush();
    const QByteArray last = env.logBytes();
    QVERIFY(last.size() <= fileCap);
    QVERIFY(QFileInfo(env.path("tavrin.log.1")).size() > fileCap - (4 << 20));
    // Every file starts with a whole entry and the newest one ends the current file.
    QVERIFY(last.startsWith(stamp));
    QVERIFY(last.endsWith(stamp + "Reply " + QByteArray::number(replies) + "\r\n"));
    QVERIFY(last.contains(": Got Message: \nrr") &&
            last.contains("rr [2097152 more bytes left out of the log]\r\n"));
    QVERIFY(env.prompter.messages.isEmpty());
}

void TestEventLog::fullQueueDropsAndCounts()
{
    TestEnvironment env;
    // A pipe in the log's place holds the writer in its open until the test reads.
    QVERIFY(mkfifo(QFile::encodeName(env.path("tavrin.log")).constData(), 0600) == 0);
    LogWriter::Limits limits;
    limits.inlineBytes = 0;
    limits.queueBytes = 1;
    QByteArray written;
    {
        EventLog log(env.clock, env.prompter, us, limits);
        for (const char* message : {"one", "two", "three"})
            log.writeLog(QByteArrayView(message));
        // Whatever was queued is written while the log closes; read every open of the pipe.
        std::thread reader([&] {
            for (int opens = 0; opens < 4 && !written.contains("left out"); ++opens) {
                QFile pipe(env.path("tavrin.log"));
                if (pipe.open(QIODevice::ReadOnly))
                    written += pipe.readAll();
            }
        });
        reader.join();
    }
    // "one" went to the writer; of the rest, what found a message waiting was dropped, counted.
    QVERIFY2(written.startsWith(stamp + "one\r\n"), written.constData());
    QVERIFY2(!written.contains("three"), written.constData());
    const int dropped = written.contains("two") ? 1 : 2;
    QVERIFY(written.contains(stamp + "Log entries left out because the log could not keep up: " +
                             QByteArray::number(dropped) + "\r\n"));
}

void TestEventLog::messageBoxText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("characters");
    QTest::addColumn<int>("lines");
    const auto row = [](const char* name, const QString& text, const QString& shown,
                        int characters = 1000, int lines = 40) {
        QTest::newRow(name) << text << shown << characters << lines;
    };
    const QString a1000(1000, 'a'), pair = "ab" + QStringLiteral("\U0001F600");
    row("plain", "ERROR: busy", "ERROR: busy");
    row("line breaks and tabs kept", "a\r\nb\nc\td", "a\r\nb\nc\td");
    row("NUL shown, rest kept", QString::fromLatin1("a\0b", 3), QStringLiteral("a\u2400b"));
    row("other controls", QString::fromLatin1("\x1b[1m\x7f\x85"),
        QStringLiteral("\u241b[1m\u2421<U+0085>"));
    row("exactly the limit", a1000, a1000);
    row("1 MB cut", QString(1000000, 'b'), QString(1000, 'b') + QStringLiteral("\u2026"));
    row("markup stays text", "<b>x</b>", "<b>x</b>");
    row("pair not split", pair, QStringLiteral("ab\u2026"), 3);
    row("pair fits", pair, pair, 4);
    row("too many lines", "1\n2\r\n3\r4\n5", QStringLiteral("1\n2\r\n3\u2026"), 1000, 2);
}

void TestEventLog::messageBoxText()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(int, characters);
    QFETCH(int, lines);
    QCOMPARE(tavrin::messageBoxText(text, characters, lines), shown);
}

QTEST_GUILESS_MAIN(TestEventLog)
#include "tst_eventlog.moc"
