#pragma once

#include "AdvancedKeyInfo.h"
#include "ProfileDocument.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantHash>
#include <QVariantMap>

// One entry of the profile list as loaded at start-up.
struct ProfileListEntry {
    int id = 0;
    QString name; // the file name without ".kb", as the list shows it
};

// Holds every profile of "LocalProfile" in memory, keeps the current
// document in step with what the pages send to the keyboard, and applies a
// profile by handing its groups to the pages in a fixed order.
//
// All callers run on the GUI thread, so there is no lock: the pages react to
// the apply signals by calling the update operations straight back, which a
// lock held across the emissions would deadlock.
class ProfileManager : public QObject {
    Q_OBJECT
public:
    static ProfileManager *instance();
    explicit ProfileManager(QObject *parent = nullptr);

    // "<working directory>/LocalProfile", where every profile file lives.
    static QString profileFolder();

    // Profile store. Those that can be refused return false and leave a
    // translated sentence for the user in lastError().
    bool ImportProfileFile(const QString &fileName);
    bool ReloadProfileFile(int id, const QString &fileName);
    bool SaveCurrentProfileAs(const QString &fileName);
    bool SaveCurrentProfile();
    // The caller asks the user for the target path.
    bool ExportProfile(int id, const QString &targetPath);
    bool RenameProfile(int id, const QString &newName);
    bool DeleteProfile(int id);
    // Imports every "*.kb" of the profile folder (by name, ignoring case)
    // and returns the entries for the profile list.
    QList<ProfileListEntry> LoadProfileList();

    QString lastError() const;
    int lastId() const;
    int currentId() const;
    ProfileDocument currentDocument() const;
    ProfileDocument profile(int id) const;
    QString profilePath(int id) const;
    QList<int> profileIds() const;
    // The id of the loaded profile stored in that file ("name.kb"); 0 if none.
    int profileIdForFile(const QString &fileName) const;

    // Takes the keyboard's own configuration as the current document when
    // no profile is applied, so that saving captures what the keyboard
    // holds. Sends nothing; does nothing while a profile is current.
    bool AdoptBoardDocument(const ProfileDocument &doc);

    // Update operations: each changes the current document only.
    void UpdateBoardRGB(const QVariantHash &rgb);
    void UpdateBoardPerformance(const QVariantHash &performance);
    void UpdateBoardRGBValue(const QString &member, const QVariant &value);
    void UpdateBoardPerformanceValue(const QString &member, const QVariant &value);
    void UpdateBoardLayerKey(int layer, int keyIndex, int keyCode);
    void UpdateBoardLayer(int layer, const QVariantMap &layout);
    void UpdateBoardKeyTouch(const QMap<int, KeyTravelRecord> &records);
    void UpdateBoardAdvancedKey(const QVariant &record);
    void RemoveBoardAdvancedKey(const QVariant &key);

signals:
    void sigUIProfileKeyColorClear();
    void sigUIProfileColorLights(const QVariantHash &redoData);
    void sigUIProfileSensitivity(const QVariantHash &redoData);
    void sigUIProfileLayoutDB(const QVariantHash &redoData);
    void sigUIProfileLayoutKey(const QVariantHash &redoData);
    void sigUIProfileAdvancedKey(const QVariantHash &redoData);
    void sigUIProfileClearAdvancedKey();
    // Text and value (0..100) for the progress box while a profile is applied.
    void sigProgressUpdate(const QString &text, int value);

public slots:
    void SelectCurrentProfile(int nTargetId);
    void SelectCurrentProfile();

private:
    QString pathFor(const QString &fileName) const;
    bool refuse(const QString &message);
    bool checkFileName(const QString &fileName);

    ProfileDocument m_current;
    int m_currentId = 0;
    int m_lastId = 0;
    QHash<int, ProfileDocument> m_profiles;
    QMap<int, QString> m_paths;
    QString m_lastError;
};
