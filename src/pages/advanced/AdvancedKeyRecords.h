#pragma once

#include "KeyInfo.h"

#include <QList>
#include <QString>
#include <QVariant>

class AdvancedKeyControl;

// The advanced-key records as the page and its editors handle them: a
// key's binding as one record variant (DKSInfo ... MACROInfo), and what a
// record binds. No widgets here.

// The record of info's kind, keyed by its first type; invalid for none.
QVariant keyBindingRecord(const KeyInfo &info);
// The binding kind of a record variant; Bind_None for anything else.
int recordKind(const QVariant &record);
// The key a record belongs to; -1 for anything but a record.
int recordKey(const QVariant &record);
// Gives info the record's kind and record; false (info unchanged) when the
// variant holds no record.
bool applyBindingRecord(KeyInfo *info, const QVariant &record);
// The keys the binding sends, in the record's order, empty slots left out.
QList<int> boundKeyTypes(const KeyInfo &info);
// The other key of a SOCD or RS pair; -1 for other kinds or no partner.
int pairedKeyType(const KeyInfo &info);

// Hands the record to the device layer's write of its kind. MACRO records

// A key that an advanced binding can send: it has a one-byte wire code.
// Keyboard-internal functions (most lighting and system keys) have none,
// and the keyboard would receive "no key" for them.
bool isBindableKeyType(int type);

// The key type of a Hook::Type (the key tester's numbering); -1 when none.
int keyTypeOfHookType(int hookType);
