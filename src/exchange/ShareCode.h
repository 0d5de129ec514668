#pragma once

#include "AdvancedKeyInfo.h"
#include "ProfileDocument.h"

#include <QMap>
#include <QString>
#include <QStringList>

// A profile as a line of text to paste in a chat: "corvane1-" then, in
// base64url without padding, one version byte, the zlib-compressed JSON
// {"m": model, "p": profile document, "x": {macro name: CSV text}} and the
// first four bytes of the SHA-256 of everything before them.
struct SharedProfile {
    int model = -1; // keyboard family; -1 unknown
    ProfileDocument document;
    QMap<QString, QList<MACRO_Key>> macros; // the macros its bindings name
};

inline const QString ShareCodePrefix = QStringLiteral("corvane1-");
constexpr int ShareCodeVersion = 1;
// Longer than any real code by far; bounds what a paste can make us inflate
// (deflate cannot expand more than 1032:1, so this caps the work too).
constexpr int MaxShareCodeLength = 48 * 1024;
// A decoded profile with its macros stays well under this.
constexpr int MaxShareCodePayload = 1024 * 1024;
constexpr int MaxSharedMacros = 32;

enum class ShareCodeError {
    None,
    NotACode,      // no "corvaneN-" prefix, or no text at all
    NewerVersion,  // "corvaneN-" with N above ours
    TooLong,
    Damaged,       // not base64url, checksum wrong, not inflatable, not JSON
    NotAProfile,   // decodes, but holds no usable profile or a bad macro
};

QString encodeShareCode(const SharedProfile &shared);

// A profile document ready to share: the macros it binds, read from
// macroFolder. A binding whose macro file cannot be read is left out of the
// shared document, its macro's name in *left, rather than sharing a binding
// that could never be applied.
SharedProfile shareProfile(const ProfileDocument &document, int model, const QString &macroFolder, QStringList *left);
// Every check passes or *out is untouched; detail names what failed (English,
// for logs and corvane-cli).
ShareCodeError decodeShareCode(const QString &code, SharedProfile *out, QString *detail = nullptr);

// The first share code in pasted text (a word among chat text); empty when
// there is none. A code of
// a later version is found too, so that it can be refused with its reason.
QString findShareCode(const QString &text);
