#include "ibackupfile.h"

#include "Basilvo.h"

IBackupFile* CreateBackuper()
{
    GetQuentaException()->SetException(10021003, "No file backuper is installed", __LINE__, __FILE__);
    return nullptr;
}
