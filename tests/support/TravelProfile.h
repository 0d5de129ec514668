#pragma once

// A profile file in the profile folder that differs from the others in its
// global travel only.

#include "ProfileData.h"
#include "ProfileDocument.h"
#include "ProfileFile.h"
#include "ProfileManager.h"

#include <QDir>
#include <QtTest>

inline void writeProfileWithTravel(const QString &name, int travelUm)
{
    ProfileData data = readProfile(defaultProfileDocument());
    PerformanceSettings performance = data.performance.value_or(PerformanceSettings());
    performance.globalTravelUm = travelUm;
    data.performance = performance;
    QDir().mkpath(ProfileManager::profileFolder());
    QVERIFY(writeProfileFile(QDir(ProfileManager::profileFolder()).filePath(name + ".kb"), writeProfile(data)));
}
