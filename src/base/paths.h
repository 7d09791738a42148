#pragma once

#include <QString>

// Paths below appDataDir. The getters only compose paths; nothing here creates folders.
QString clipboardDirPath();
QString configDirPath();
QString pptCacheDirPath();
QString slideCacheDirPath();
QString stampDirPath();
QString upgradeDirPath();
QString appSettingsFilePath();
QString profileFilePath();
QString watermarkFilePath();
QString stampListFilePath();
QString upgradeListFilePath();
QString adJsonFilePath();
QString adImageFilePath();
QString handOverFilePath();
// The office converter's private profiles.
QString officeProfileDirPath();

QString websiteUrl();
