// Fuzz entry from profile bytes to the frames that applying the profile
// would send: the profile reader, the configuration it gives a keyboard of
// two families, the plan of the difference from that keyboard's own
// configuration, and the device layer's records and frames for each op.
// Every frame built must be whole and valid, and a configuration must plan
// nothing against itself.

#include "FamilyKeyMatrix.h"
#include "KB2ActionData.h"
#include "KeyTypeTable.h"
#include "Kb2Frame.h"
#include "Kb2Request.h"
#include "KeyboardConfig.h"
#include "ProfileData.h"
#include "ProfileDocument.h"
#include "ProfilePlan.h"

#include <QJsonArray>

#include <algorithm>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// A board-side copy whose records become frames at once.
class FrameOutlet : public KB2ActionData::Outlet, public KB2ActionData
{
public:
    FrameOutlet() : KB2ActionData(static_cast<KB2ActionData::Outlet &>(*this)) {}

protected:
    void sendRecord(const QVariant &record) override
    {
        KB2Request request;
        request.type = kb2RequestTypeForRecord(record);
        request.record = record;
        Kb2Frame frame;
        if (request.type == 0 || !kb2BuildRequestFrame(request, frame))
            std::abort(); // the device layer made a record it cannot send
        if (kb2_frame_check(frame.data, Kb2Frame::Size) != frame.frameSize())
            std::abort();
    }
    void emitLayoutDB() override {}
    void emitLayoutKey() override {}
    void emitLayoutDis() override {}
    void emitAdvancedKey(const QVariant &) override {}
};

// The key types of a family's built-in matrix.
QList<int> boardKeysOf(int family)
{
    QList<int> keys;
    const quint16 *matrix = familyKeyMatrix(family);
    for (int i = 0; i < KB2MatrixCells; ++i) {
        const int type = matrix[i] ? keyTypeFromCode(matrix[i]) : -1;
        if (type >= 0 && !keys.contains(type))
            keys.append(type);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

// What a keyboard of the family holds fresh: every key on itself.
KeyboardConfig freshConfig(const QList<int> &keys)
{
    KeyboardConfig c;
    for (auto &layer : c.layers)
        for (int key : keys)
            layer.insert(key, key);
    return c;
}

MacroLoadResult loadMacro(const QString &name)
{
    MacroLoadResult r;
    if (name.startsWith(QLatin1Char('!'))) {
        r.status = MacroLoadResult::BadHeader;
        return r;
    }
    if (name.isEmpty())
        return r; // missing
    r.status = MacroLoadResult::Ok;
    for (int i = 0; i < qMin(name.size(), 8); ++i)
        r.steps.append(MACRO_Key{i % 2 == 0, QStringLiteral("A"), int(name.at(i).unicode()) * 37});
    return r;
}

// The DKS travels as written in the document, unread: a binding as the
// keyboard keeps it must be within what it holds whatever they are.
void checkKeptTravels(const QJsonObject &doc)
{
    const QJsonObject advanced = doc.value(ProfileKeys::AdvancedKey).toObject();
    for (auto it = advanced.begin(); it != advanced.end(); ++it) {
        DKSInfo raw;
        for (const QJsonValue &v : it.value().toObject().value(QStringLiteral("touchDis")).toArray())
            raw.touchDis.append(v.toDouble());
        if (raw.touchDis.isEmpty())
            continue;
        const AdvancedBinding kept = bindingAsKept(AdvancedBinding(raw));
        const double mm = kept.as<DKSInfo>()->touchDis.value(0, -1);
        if (!(mm >= 0.0 && mm <= 65.535))
            std::abort();
    }
}

void applyToFamily(const ProfileData &profile, int family)
{
    static const QList<int> keys0 = boardKeysOf(0), keys1 = boardKeysOf(1);
    const QList<int> &keys = family == 0 ? keys0 : keys1;
    const KeyboardConfig fresh = freshConfig(keys);
    const KeyboardConfig target = configWithProfile(fresh, profile, keys);
    if (planSends(planChange(target, target, loadMacro)))
        std::abort(); // a configuration differs from itself

    FrameOutlet device;
    for (const ProfileStep &step : planChange(fresh, target, loadMacro)) {
        if (step.progress < 0 || step.progress > 100)
            std::abort();
        runProfileStep(step, device);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    ProfileDocument doc;
    if (!parseProfileBytes(bytes, &doc))
        return 0;
    checkKeptTravels(doc);
    const ProfileData profile = readProfile(doc);
    applyToFamily(profile, 0);
    applyToFamily(profile, 1);
    return 0;
}
