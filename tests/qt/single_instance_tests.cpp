// The single-instance lock, within one process and between two copies of the program.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/os/file_handover.h"
#include "platform/os/single_instance.h"

class SingleInstanceTests : public QObject {
    Q_OBJECT

private slots:
    void onlyOneHolderAtATime()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("pulseLattice.lock").toStdString();
        SingleInstanceLock first(path), second(path);
        QVERIFY(first.acquire());
        QVERIFY(!second.acquire());
        QVERIFY(!second.held());
        first.release();
        QVERIFY(second.acquire());
    }

    void anotherProcessIsRefusedUntilTheHolderDies()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("pulseLattice.lock").toStdString();
        int ready[2], go[2];
        QCOMPARE(::pipe(ready), 0);
        QCOMPARE(::pipe(go), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            SingleInstanceLock lock(path);
            char c = lock.acquire() ? 'y' : 'n';
            (void)::write(ready[1], &c, 1);
            (void)::read(go[0], &c, 1);
            ::_exit(0);  // dies holding the lock: the kernel drops it
        }
        char answer = 0;
        QCOMPARE(::read(ready[0], &answer, 1), ssize_t(1));
        QCOMPARE(answer, 'y');
        SingleInstanceLock mine(path);
        QVERIFY(!mine.acquire());
        char c = 'x';
        QCOMPARE(::write(go[1], &c, 1), ssize_t(1));
        int status = 0;
        ::waitpid(child, &status, 0);
        QVERIFY(mine.acquire());
    }

    void defaultPathUsesTheRuntimeDirectory()
    {
        QTemporaryDir dir;
        qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
        QCOMPARE(QString::fromStdString(SingleInstanceLock::defaultPath("pulseLattice")),
                 dir.filePath("pulseLattice.lock"));
        qunsetenv("XDG_RUNTIME_DIR");
        QVERIFY(QString::fromStdString(SingleInstanceLock::defaultPath("pulseLattice")).startsWith("/tmp/pulseLattice-"));
    }

    // The socket beside the lock takes a path from the same user, drops another user's, and goes
    // with the holder.
    void theHolderTakesHandedFilesOnlyFromItsOwnUser()
    {
        QTemporaryDir dir;
        const std::string socket = handoverSocketPath(dir.filePath("pulseLattice.lock").toStdString());
        QCOMPARE(QString::fromStdString(socket), dir.filePath("pulseLattice.sock"));
        QVERIFY(!handFileOver(socket, "/a.gms"));  // nobody listens
        FileHandoverReceiver receiver(socket);
        QVERIFY(receiver.listen());
        QVERIFY(handFileOver(socket, "/music/my voices.gms"));
        QCOMPARE(receiver.receive().value_or(""), std::string("/music/my voices.gms"));
        QVERIFY(!receiver.receive());

        if (::getuid() == 0) {
            // Opened up to everybody, so only the credentials can keep another user's path out.
            ::chmod(dir.path().toUtf8().constData(), 0777);
            ::chmod(socket.c_str(), 0666);
            const pid_t child = ::fork();
            if (child == 0)
                ::_exit(::setuid(65534) == 0 && handFileOver(socket, "/tmp/theirs.gms") ? 0 : 1);
            int status = 0;
            ::waitpid(child, &status, 0);
            QCOMPARE(WEXITSTATUS(status), 0);
            QVERIFY(handFileOver(socket, "/mine.gms"));
            QCOMPARE(receiver.receive().value_or(""), std::string("/mine.gms"));
        }
        receiver.close();
        QVERIFY(!QFile::exists(QString::fromStdString(socket)));
    }

    // Two copies of the real program: the second ends at once with status 0 and writes nothing.
    void secondCopyOfTheProgramEndsSilently()
    {
        const QString binary = qEnvironmentVariable("PULSELATTICE_BINARY");
        if (binary.isEmpty() || !QFile::exists(binary))
            QSKIP("PULSELATTICE_BINARY does not name the built program");
        QTemporaryDir dir;
        const QString copy = dir.filePath("pulselattice");
        QVERIFY(QFile::copy(binary, copy));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");

        // The first copy holds the lock as soon as it runs; it may end early when no MIDI port
        // opens here, so the lock is taken by this test first to stand for a running copy.
        SingleInstanceLock running(dir.filePath("pulseLattice.lock").toStdString());
        QVERIFY(running.acquire());

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(copy, {});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAllStandardOutput().isEmpty());
        QVERIFY(!QFile::exists(dir.filePath("pulseLattice.par")));
    }
};

QTEST_MAIN(SingleInstanceTests)
#include "single_instance_tests.moc"
