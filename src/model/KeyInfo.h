#pragma once

#include "AdvancedKeyInfo.h"
#include "AdvancedKeyKinds.h"

#include <QColor>
#include <QMetaType>
#include <QString>

#include <optional>

// The data of one key, held by each key button and carried in hub signals.
struct KeyInfo {
    quint32 firstType = 0;   // the key's own KeyType
    quint32 currentType = 0; // the KeyType currently assigned to it
    QString legend;
    QColor colour = QColor(245, 247, 250);
    double travel = 1.5; // mm
    quint8 travelDiffers = 0;
    quint8 rapidTrigger = 0;
    double rapidTriggerPress = 0.0;   // mm
    double rapidTriggerRelease = 0.0; // mm
    // The key's advanced binding; its index is the BindKeyType. nullopt: none.
    std::optional<AdvancedRecord> binding;

    int bindKind() const { return binding ? advancedKindOf(*binding) : int(Bind_None); }
    // The binding's record when it is of type Record; nullptr otherwise.
    template <typename Record>
    const Record *bound() const { return binding ? std::get_if<Record>(&*binding) : nullptr; }
    // The binding's record of type Record, or that type's defaults.
    template <typename Record>
    Record boundOr() const
    {
        const Record *r = bound<Record>();
        return r ? *r : Record();
    }
};

Q_DECLARE_METATYPE(KeyInfo)

int keyInfoMetaTypeId();
