#pragma once

#include "AdvancedKeyInfo.h"
#include "ProfileData.h"
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
    // Why the file could not be read (translated); empty for a good profile.
    // A damaged profile is listed so that the user sees it, and cannot be
    // applied, exported or renamed until a save or an import replaces it.
    QString damage;
};

// Holds every profile of "LocalProfile" in memory and keeps the current
// document in step with what the pages send to the keyboard. Selecting a
// profile makes it current; sending it to the keyboard is the application
// plan's (ProfilePlan), and showing it the pages', both run by the caller.
//
// All callers run on the GUI thread, so there is no lock.
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
    // A profile file from elsewhere: the name it takes in the profile folder
    // ("name.kb"), or empty (lastError set) when that name is refused.
    QString ImportTargetName(const QString &sourcePath);
    // Brings a profile file from elsewhere into the profile folder and loads
    // it; one of the same name is replaced and keeps its id. The file is
    // read first: one that is not a profile is refused and changes nothing.
    // Returns the profile's id, 0 on failure (lastError set).
    int ImportExternalProfile(const QString &sourcePath);
    bool ReloadProfileFile(int id, const QString &fileName);
    bool SaveCurrentProfileAs(const QString &fileName);
    bool SaveCurrentProfile();
    // The caller asks the user for the target path.
    bool ExportProfile(int id, const QString &targetPath);
    bool RenameProfile(int id, const QString &newName);
    bool DeleteProfile(int id);
    // Imports every "*.kb" of the profile folder (by name, ignoring case)
    // and returns the entries for the profile list, the damaged ones too.
    QList<ProfileListEntry> LoadProfileList();

    QString lastError() const;
    int lastId() const;
    int currentId() const;
    ProfileDocument currentDocument() const;
    ProfileData currentProfile() const { return readProfile(m_current); }
    ProfileDocument profile(int id) const;
    QString profilePath(int id) const;
    // The profiles that were read; damaged ones are not among them.
    QList<int> profileIds() const;
    // The id of the profile listed for that file ("name.kb"), damaged or
    // not; 0 if none.
    int profileIdForFile(const QString &fileName) const;
    // Why the listed file of that id could not be read; empty when it was.
    QString damageOf(int id) const;
    bool isDamaged(int id) const { return m_damaged.contains(id); }

    // Takes the keyboard's own configuration as the current document when
    // no profile is applied, so that saving captures what the keyboard
    // holds. Sends nothing; does nothing while a profile is current.
    bool AdoptBoardDocument(const ProfileDocument &doc);

    // Update operations: each changes the current document only.
    void UpdateBoardRGB(const LightingSettings &lighting);
    void UpdateBoardPerformance(const PerformanceSettings &performance);
    void UpdateBoardRGBValue(const QString &member, const QVariant &value);
    void UpdateBoardPerformanceValue(const QString &member, const QVariant &value);
    // A slider position of the rapid-trigger rows (&PerformanceSettings::
    // quickPress or quickRelease): the page's own, no keyboard setting, kept
    // only while the document has the performance group.
    void UpdateBoardRapidPosition(int PerformanceSettings::*member, int position);
    void UpdateBoardLayerKey(int layer, int keyIndex, int keyCode);
    // key index -> key type for every key of the layer.
    void UpdateBoardLayer(int layer, const QMap<int, int> &layout);
    void UpdateBoardKeyTouch(const QMap<int, KeyTravelRecord> &records);
    void UpdateBoardAdvancedKey(const QVariant &record);
    void RemoveBoardAdvancedKey(const QVariant &key);

public slots:
    // Makes the profile of that id current; an id of 0 or one not loaded
    // leaves the current document empty.
    void SelectCurrentProfile(int nTargetId);
    void SelectCurrentProfile();

private:
    QString pathFor(const QString &fileName) const;
    bool refuse(const QString &message);
    bool checkFileName(const QString &fileName);
    bool refuseDamaged(int id);

    struct Damaged {
        QString path;
        QString reason;
    };

    ProfileDocument m_current;
    int m_currentId = 0;
    int m_lastId = 0;
    QHash<int, ProfileDocument> m_profiles;
    QMap<int, QString> m_paths;
    QMap<int, Damaged> m_damaged; // listed files that could not be read
    QString m_lastError;
    QString m_lastReadProblem; // why ImportProfileFile could not read its file
};
