#pragma once

#include <QString>

// The newest signing time accepted for each update document, so that an
// older signed document (one replayed to keep the user on an old version)
// is refused. One small file per document in <folder>/updateState/, named
// after the document ("258.json", "Corvane.json"), written atomically. Each
// document has its own file, so the configurator and the updater never write
// over each other's.
class UpdateFreshness {
public:
    static constexpr const char *FolderName = "updateState";

    // folder: where the settings live (the working folder).
    explicit UpdateFreshness(const QString &folder);

    // The newest timestamp accepted for the document; 0 when none was (a
    // file that cannot be read as one is warned about and counts as none).
    qint64 newest(const QString &document) const;
    // Records timestamp unless a newer one is recorded. False (warned) when
    // it cannot be written.
    bool accept(const QString &document, qint64 timestamp);

    QString filePath(const QString &document) const;

private:
    QString m_folder;
};
