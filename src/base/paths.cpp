#include "base/paths.h"

#include "base/globals.h"

QString clipboardDirPath()
{
    return appDataDir + QStringLiteral("/clipboard");
}
QString configDirPath()
{
    return appDataDir + QStringLiteral("/config");
}
QString pptCacheDirPath()
{
    return appDataDir + QStringLiteral("/pptcache");
}
QString slideCacheDirPath()
{
    return appDataDir + QStringLiteral("/slidecache");
}
QString stampDirPath()
{
    return appDataDir + QStringLiteral("/stamp");
}
QString upgradeDirPath()
{
    return appDataDir + QStringLiteral("/upgrade");
}
QString appSettingsFilePath()
{
    return configDirPath() + QStringLiteral("/appset.dll");
}
QString profileFilePath()
{
    return configDirPath() + QStringLiteral("/profile.txt");
}
QString hotKeyNoticeFilePath()
{
    return configDirPath() + QStringLiteral("/hotkey-focus-notice");
}
QString hotKeyRefusalNoticeFilePath()
{
    return configDirPath() + QStringLiteral("/hotkey-refused-notice");
}
QString watermarkFilePath()
{
    return configDirPath() + QStringLiteral("/watermark.png");
}
QString stampListFilePath()
{
    return stampDirPath() + QStringLiteral("/stamp.ini");
}
QString upgradeListFilePath()
{
    return upgradeDirPath() + QStringLiteral("/upgrade.ini");
}
QString adJsonFilePath()
{
    return configDirPath() + QStringLiteral("/qbadjson.dll");
}
QString adImageFilePath()
{
    return configDirPath() + QStringLiteral("/qbadimg.dll");
}
QString handOverFilePath()
{
    return appDataDir + QStringLiteral("/opflist.dll");
}
QString officeProfileDirPath()
{
    return appDataDir + QStringLiteral("/officeprofile");
}

QString websiteUrl()
{
    // The environment names another server, or none when set empty.
    if (qEnvironmentVariableIsSet("QB_SERVER_URL"))
        return qEnvironmentVariable("QB_SERVER_URL");
    return QStringLiteral(QB_SERVER_URL);
}
