#include "ProfileContent.h"

#include "AdvancedKeyKinds.h"

ProfileContent profileContent(const ProfileData &p)
{
    ProfileContent c;
    c.lighting = p.lighting;
    if (p.performance)
        c.globalTravelUm = p.performance->globalTravelUm;
    if (p.layers) {
        int changed = 0;
        for (const QMap<int, int> &layer : *p.layers)
            for (auto it = layer.cbegin(); it != layer.cend(); ++it)
                changed += it.key() != it.value();
        c.remappedKeys = changed;
    }
    if (p.keyTravel)
        c.ownTravelKeys = p.keyTravel->size();
    if (p.advanced) {
        QMap<int, int> kinds;
        for (const AdvancedBinding &b : *p.advanced)
            ++kinds[b.kind()];
        for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
            if (const AdvancedKindTraits *t = advancedKindTraits(it.key()))
                c.advancedKinds.append({t->label, it.value()});
    }
    return c;
}
