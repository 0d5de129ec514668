#pragma once

#include "ProfileData.h"

#include <QList>

#include <utility>
#include <optional>

// What a profile holds, counted, for telling a person before an import:
// the window and corvane-cli word it each their own way.
struct ProfileContent {
    std::optional<LightingSettings> lighting;
    std::optional<int> globalTravelUm;
    std::optional<int> remappedKeys;  // keys that differ from their own place, over the four Fn layers
    std::optional<int> ownTravelKeys; // keys with a travel of their own
    QList<std::pair<const char *, int>> advancedKinds; // kind label, bindings of it; in kind order
};

ProfileContent profileContent(const ProfileData &profile);
