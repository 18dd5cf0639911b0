// Backs up 4 files of 512 MiB (size by argument, in MiB) on one disk with the
// file backuper and with cp, and prints the time ratio (goal <= 1.1) and how
// late the import page's 666 ms progress poll fires while the copy runs.
//
//   backupfile_bench [MiB per file] [work folder]

#include "BackupFile/ibackupfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long long mib = argc > 1 ? std::atoll(argv[1]) : 512;
    const QString work = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath() + "/fablecut-backup-bench";
    QDir(work).removeRecursively();
    QDir().mkpath(work + "/src");
    QDir().mkpath(work + "/cp");
    QDir().mkpath(work + "/backup");
    std::vector<std::string> files;
    for (int i = 0; i < 4; ++i) {
        const std::string path = (work + "/src/0000" + QString::number(i) + ".MTS").toStdString();
        const std::string cmd = "head -c " + std::to_string(mib * 1048576) + " /dev/urandom > '" + path + "'";
        if (std::system(cmd.c_str()) != 0)
            return 1;
        files.push_back(path);
    }
    std::system("sync");

    QElapsedTimer t;
    t.start();
    std::string cp = "cp";
    for (const std::string& f : files)
        cp += " '" + f + "'";
    cp += " '" + (work + "/cp/").toStdString() + "' && sync";
    if (std::system(cp.c_str()) != 0)
        return 1;
    const double cpSeconds = t.elapsed() / 1000.0;

    IBackupFile* b = CreateBackuper();
    b->SetBackupDestPath((work + "/backup").toUtf8().constData());
    for (const std::string& f : files)
        b->AddBackupFile(f.c_str());
    b->ResetBackupState();
    b->SetBackupThreadPriority(BACKUP_PRIORITY_DEFAULT);
    QElapsedTimer poll;
    long long worstLate = 0;
    long long sumLate = 0;
    int polls = 0;
    QTimer timer;
    timer.setInterval(666);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const long long late = poll.restart() - 666;
        worstLate = std::max(worstLate, late);
        sumLate += late;
        ++polls;
        b->GetBackupProgressInfo();
    });
    // The end is seen within 5 ms, so the ratio does not carry a poll's slack.
    QTimer end;
    end.setInterval(5);
    double backupSeconds = 0;
    QObject::connect(&end, &QTimer::timeout, [&] {
        const int s = b->GetState();
        if (s == BACKUP_STATE_FINISHED || s == BACKUP_STATE_STOPPED) {
            backupSeconds = t.elapsed() / 1000.0;
            app.quit();
        }
    });
    t.restart();
    poll.start();
    b->StartBackupFiles();
    timer.start();
    end.start();
    app.exec();
    QElapsedTimer syncTime;
    syncTime.start();
    std::system("sync");
    backupSeconds += syncTime.elapsed() / 1000.0;
    std::printf("cp: %.2f s, backuper: %.2f s ratio %.3f (goal <= 1.1)\n", cpSeconds, backupSeconds,
                backupSeconds / cpSeconds);
    std::printf("666 ms poll: %d polls, late by %.1f ms on average, %lld ms at worst\n", polls,
                polls ? double(sumLate) / polls : 0.0, worstLate);
    std::printf("copied files: %d\n", b->GetSucceedFileCount());
    b->Free();
    QDir(work).removeRecursively();
    return 0;
}
