#include "YoutubeUploadTestKit.h"

#include "AppConfigure/CAppVariableInfo.h"

#include <QDir>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdlib>

const char kLoginPath[] = "/youtube/accounts/ClientLogin";
const char kUploadPath[] = "/feeds/api/users/default/uploads";

namespace {

// The settings live in a home of the test's own.
const bool kSandboxed = [] {
    static int argc = 1;
    static char name[] = "test_youtubeupload";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    setenv("HOME", dir.path().toLocal8Bit().constData(), 1);
    setenv("XDG_DATA_HOME", (dir.path() + "/data").toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", (dir.path() + "/config").toLocal8Bit().constData(), 1);
    return true;
}();

} // namespace

bool WaitUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

void Spin(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
}

QByteArray WriteSource(const QString& path, qint64 size, quint32 seed)
{
    QByteArray data(int(size), '\0');
    QRandomGenerator random(seed);
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(random.generate() & 0xff);
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(data);
    file.close();
    return data;
}

void ConfigureService(quint16 loginPort, quint16 uploadPort, const QString& caFile, int timeoutMs, const QString& host)
{
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    // The program's data folder exists once the program has run; error logs go there.
    QDir().mkpath(settings->GetAppHomePath());
    settings->SetInfoValue(STR_APPVARINFO_YOUTUBE_LOGIN_HOST, host);
    settings->SetInfoValue(STR_APPVARINFO_YOUTUBE_LOGIN_PORT, int(loginPort));
    settings->SetInfoValue(STR_APPVARINFO_YOUTUBE_UPLOAD_HOST, host);
    settings->SetInfoValue(STR_APPVARINFO_YOUTUBE_UPLOAD_PORT, int(uploadPort));
    settings->SetInfoValue(STR_APPVARINFO_YOUTUBE_CA_FILE, caFile);
    settings->SetInfoValue(STR_APPVARINFO_YOUTUBE_REQUEST_TIMEOUT, timeoutMs);
}

UploaderPtr MakeUploader(Recorder& recorder, const char* user, const char* password)
{
    UploaderPtr up(CreateYoutubeUploader());
    recorder.up = up.get();
    up->SetCallBack(&recorder);
    up->SetClientID("FC-EDITOR-1");
    up->SetYoutubeAcccountInfo(user, password);
    return up;
}

IYoutubeUploadTask* AddTask(IYoutubeUpload* up, const QString& path, YoutubeVideoAccessType access)
{
    IYoutubeUploadTask* task = up->CreateUploadTask();
    task->SetTaskInfo(IYoutubeUploadTask::TASK_INFO_SOURCE_FILE, path.toUtf8().constData());
    task->SetTaskInfo(IYoutubeUploadTask::TASK_INFO_TITLE, "My clip");
    task->SetTaskInfo(IYoutubeUploadTask::TASK_INFO_DESCRIPTION, "About it");
    task->SetTaskInfo(IYoutubeUploadTask::TASK_INFO_KEYWORDS, "ab,cd");
    task->SetVideoCategory(YOUTUBE_CATEGORY_FILM);
    task->SetAccessType(access);
    return task;
}
