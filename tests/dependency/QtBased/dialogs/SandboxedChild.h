#pragma once

// Runs one DISABLED_ case of this test program as a copy in a folder of its
// own, beside the files given. The product information is read from the
// program's folder, once per process, so a case that needs other product
// files than the test folder holds runs this way.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

// The child's output; `passed` tells whether its one case ran and passed.
inline QByteArray RunSandboxedCase(const char* childCase, const QMap<QString, QByteArray>& files, bool* passed)
{
    *passed = false;
    QTemporaryDir root;
    const QString program = root.filePath("bin/" + QFileInfo("/proc/self/exe").canonicalFilePath().section('/', -1));
    QDir().mkpath(root.filePath("bin"));
    QDir().mkpath(root.filePath("home"));
    if (!QFile::copy(QFileInfo("/proc/self/exe").canonicalFilePath(), program))
        return "could not copy the test program";
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        QFile file(root.filePath("bin/" + it.key()));
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size())
            return "could not write " + it.key().toUtf8();
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", root.filePath("home"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(program, {QStringLiteral("--gtest_filter=*.DISABLED_") + childCase, "--gtest_also_run_disabled_tests",
                          "--gtest_repeat=1"});
    if (!child.waitForFinished(60000))
        return "the child did not finish";
    const QByteArray output = child.readAll();
    *passed =
        child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 && output.contains("[  PASSED  ] 1 test");
    return output;
}
