// The log file: entry layout, appending, its bounds on disk, how a failing write is reported;
// and the text a message box makes of outside text, which the log keeps whole.
#include "core/log/EventLog.h"
#include "core/platform/MessageText.h"
#include "support/TestEnvironment.h"
#include "support/Waits.h"

#include <QTest>
#include <fcntl.h>
#include <semaphore>
#include <sys/stat.h>
#include <unistd.h>

using namespace tavrin;
using namespace tavrin::test;

static const QLocale us(QLocale::English, QLocale::UnitedStates);
static const QByteArray stamp = "12/5/2026 11:00:58 AM: ";

class TestEventLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Existing content is kept and each entry is the time stamp, the message's bytes unchanged
    // and CR LF; an entry keeps 1 MiB of a longer text and says how much it left out. A log
    // deleted while running is created again. At midnight the time stamp is the date alone.
    void entries()
    {
        TestEnvironment env;
        QFile old(env.path("tavrin.log"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        QVERIFY(old.write("old"));
        QVERIFY(old.flush());
        EventLog log(env.clock, env.prompter, us);
        env.clock.time.setTime(QTime(0, 0, 1));
        const QByteArray mib(1 << 20, 'x'), at = "12/5/2026 12:00:01 AM: ";
        for (const QByteArray& message : {QByteArray("Got Message: h\na|1\n"),
                                          QByteArray("Row: \xe9\xff|\0T", 10), mib, mib + "yz"})
            log.writeLog(QByteArrayView(message));
        log.flush();
        QCOMPARE(env.logBytes(), "old" + at + "Got Message: h\na|1\n\r\n" + at +
                                     QByteArray("Row: \xe9\xff|\0T\r\n", 12) + at + mib + "\r\n" +
                                     at + mib + " [2 more bytes left out of the log]\r\n");
        QVERIFY(QFile::remove(env.path("tavrin.log")));
        env.clock.time.setTime(QTime(0, 0));
        log.writeLog(QStringLiteral("b"));
        log.flush();
        QCOMPARE(env.logBytes(), "12/5/2026: b\r\n");
    }

    void failureReportedOncePerRun()
    {
        TestEnvironment env;
        QDir dir(env.path(QString()));
        // A directory in the log's place makes every write fail.
        QVERIFY(dir.mkdir(EventLog::fileName));
        EventLog log(env.clock, env.prompter);
        log.writeLog(QStringLiteral("one"));
        log.writeLog(QStringLiteral("two"));
        log.flush();
        TRY_COMPARE(env.prompter.texts(), QStringList{QStringLiteral("Can't write to log file.")});
        const RecordingPrompter::Message& m = env.prompter.messages.first();
        QCOMPARE(m.style, MessageStyle::Plain);
        QVERIFY(m.title.isEmpty());
        // After a write succeeds, the next failure is reported again.
        QVERIFY(dir.rmdir(EventLog::fileName));
        log.writeLog(QStringLiteral("three"));
        log.flush();
        QVERIFY(dir.remove(EventLog::fileName));
        QVERIFY(dir.mkdir(EventLog::fileName));
        log.writeLog(QStringLiteral("four"));
        TRY_COMPARE(env.prompter.messages.size(), 2);
    }

    void boundedOnDisk()
    {
        TestEnvironment env;
        QFile older(env.path("tavrin.log.1"));
        QVERIFY(older.open(QIODevice::WriteOnly));
        QVERIFY(older.write("older"));
        QVERIFY(older.flush());
        const qint64 fileCap = qint64(32) << 20;
        const auto sizeOf = [&env](const char* name) { return QFile(env.path(name)).size(); };
        // Replies of 3 MiB logged whole (then cut) and in rows of 64 KiB: 100 MiB of entries.
        const qsizetype row = 64 << 10;
        QByteArray reply(3 << 20, 'r');
        for (qsizetype at = 0; at < reply.size(); at += row)
            reply[at] = '\n';
        EventLog log(env.clock, env.prompter, us);
        int replies = 0;
        for (qint64 submitted = 0; submitted < (qint64(100) << 20);) {
            LogBatch batch(reply);
            batch.add("Got Message: ", reply);
            for (qsizetype at = 1; at < reply.size(); at += row)
                batch.add("Row: ", QByteArrayView(reply).sliced(at, row - 1));
            batch.add("Reply ", ++replies);
            submitted += batch.bytes();
            log.writeLogs(std::move(batch));
            if (replies % 4 == 0)
                log.flush();
            QVERIFY(sizeOf("tavrin.log") <= fileCap);
            QVERIFY(sizeOf("tavrin.log.1") <= fileCap);
        }
        log.flush();
        const QByteArray last = env.logBytes();
        QVERIFY(last.size() <= fileCap);
        QVERIFY(sizeOf("tavrin.log.1") > fileCap - (4 << 20));
        // Every file starts with a whole entry and the newest one ends the current file.
        QVERIFY(last.startsWith(stamp));
        QVERIFY(last.endsWith(stamp + "Reply " + QByteArray::number(replies) + "\r\n"));
        QVERIFY(last.contains(": Got Message: \nrr"));
        QVERIFY(last.contains("rr [2097152 more bytes left out of the log]\r\n"));
        QVERIFY(env.prompter.messages.isEmpty());
    }

    // The writer is held in its first write while two more messages come: the first of them
    // waits in the queue, the second finds it full and is dropped, and the drop is counted.
    void fullQueueDropsAndCounts()
    {
        TestEnvironment env;
        std::binary_semaphore entered(0), release(0);
        bool first = true;
        {
            EventLog log(env.clock, env.prompter, us, {.queueBytes = 1}, [&] {
                if (!std::exchange(first, false))
                    return;
                entered.release();
                release.acquire();
            });
            log.writeLog(QByteArrayView("one"));
            entered.acquire();
            for (const char* message : {"two", "three"})
                log.writeLog(QByteArrayView(message));
            release.release();
        }
        const QByteArray written = env.logBytes();
        QVERIFY2(written.startsWith(stamp + "one\r\n" + stamp + "two\r\n"), written);
        QVERIFY2(!written.contains("three"), written);
        QVERIFY2(
            written.contains(": Log entries left out because the log could not keep up: 1\r\n"),
            written);
    }

    // What stands in the log's place and is not a regular file of its own is never written
    // through: the writes fail and say so.
    void onlyARegularFileIsWritten_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a link to a file") << "link";
        QTest::newRow("a dangling link") << "dangling";
        QTest::newRow("a pipe") << "pipe";
        QTest::newRow("a directory") << "directory";
    }
    void onlyARegularFileIsWritten()
    {
        QFETCH(QString, kind);
        TestEnvironment env;
        const QByteArray log = QFile::encodeName(env.path(EventLog::fileName));
        const QByteArray target = QFile::encodeName(env.path("target"));
        if (kind == "link") {
            QFile file(QString::fromLocal8Bit(target));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write("kept"), 4);
        }
        if (kind == "link" || kind == "dangling")
            QCOMPARE(::symlink(target.constData(), log.constData()), 0);
        if (kind == "pipe")
            QCOMPARE(::mkfifo(log.constData(), 0600), 0);
        if (kind == "directory")
            QVERIFY(QDir(env.path(QString())).mkdir(EventLog::fileName));
        EventLog eventLog(env.clock, env.prompter, us);
        eventLog.writeLog(QStringLiteral("from the server"));
        eventLog.flush();
        TRY_COMPARE(env.prompter.texts(), QStringList{QStringLiteral("Can't write to log file.")});
        QFile target_(QString::fromLocal8Bit(target));
        if (kind == "link") {
            QVERIFY(target_.open(QIODevice::ReadOnly));
            QCOMPARE(target_.readAll(), QByteArray("kept"));
        } else {
            QVERIFY(!target_.exists());
        }
    }

    // Characters and lines at most (a pair is not split), controls made visible.
    void messageBoxText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("characters");
        QTest::addColumn<int>("lines");
        const QString pair = "ab" + QStringLiteral("\U0001F600");
        QTest::newRow("line ends and tabs stay") << "a\r\nb\nc\td"
                                                 << "a\r\nb\nc\td" << 1000 << 40;
        QTest::newRow("NUL") << QString::fromLatin1("a\0b", 3) << QStringLiteral("a\u2400b") << 1000
                             << 40;
        QTest::newRow("escape, DEL, C1") << QString::fromLatin1("\x1b[1m\x7f\x85")
                                         << QStringLiteral("\u241b[1m\u2421<U+0085>") << 1000 << 40;
        QTest::newRow("a million characters")
            << QString(1000000, 'b') << QString(1000, 'b') + QStringLiteral("\u2026") << 1000 << 40;
        QTest::newRow("a pair is not split") << pair << QStringLiteral("ab\u2026") << 3 << 40;
        QTest::newRow("a pair that fits") << pair << pair << 4 << 40;
        QTest::newRow("lines") << "1\n2\r\n3\r4\n5" << QStringLiteral("1\n2\r\n3\u2026") << 1000
                               << 2;
    }
    void messageBoxText()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(int, characters);
        QFETCH(int, lines);
        QCOMPARE(tavrin::messageBoxText(text, characters, lines), shown);
    }
};

QTEST_GUILESS_MAIN(TestEventLog)
#include "tst_eventlog.moc"
