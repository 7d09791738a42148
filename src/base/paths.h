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
// There once the user was told that the hot keys work only while our window has the focus.
QString hotKeyNoticeFilePath();
// There once the user was told that the desktop did not grant the global keys.
QString hotKeyRefusalNoticeFilePath();
// The office converter's private profiles.
QString officeProfileDirPath();

QString websiteUrl();
