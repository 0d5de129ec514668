#include "Kb2Request.h"

#include "AppParams.h"
#include "Kb2Builders.h"

namespace {

template <typename Record>
bool recordFrame(const KB2Request &r, Kb2Frame &frame, Kb2Frame (*build)(const Record &, quint8))
{
    // A request queued without its record reads or writes the record's
    // neutral form (the walks' reads carry only placeholders).
    const Record rec = r.record.canConvert<Record>() ? r.record.value<Record>() : Record();
    frame = build(rec, r.selector);
    return true;
}

bool subCode(Kb2Frame &frame, quint8 sub, int arg = -1)
{
    frame = kb2_build_subcode(sub, arg);
    return true;
}

} // namespace

bool kb2BuildRequestFrame(const KB2Request &r, Kb2Frame &frame)
{
    switch (r.type) {
    case 1: {
        const auto nonce = AppParams::sessionNonce();
        frame = kb2_build_board_info(nonce.data());
        return true;
    }
    case 2: return recordFrame<STU_BoardFromKey>(r, frame, kb2_build_key);
    case 3: return recordFrame<STU_BoardFromMT>(r, frame, kb2_build_mt);
    case 4: return recordFrame<STU_BoardFromTGL>(r, frame, kb2_build_tgl);
    case 5: return recordFrame<STU_BoardFromTDKS>(r, frame, kb2_build_tdks);
    case 6: return recordFrame<STU_BoardFromDDKS>(r, frame, kb2_build_ddks);
    case 7: return recordFrame<STU_BoardFromEND>(r, frame, kb2_build_end);
    case 8: return recordFrame<STU_BoardFromSOCD>(r, frame, kb2_build_socd);
    case 9: return recordFrame<STU_BoardFromRS>(r, frame, kb2_build_rs);
    case 10: return recordFrame<STU_BoardFromMACRO>(r, frame, kb2_build_macro);
    case 11: return recordFrame<STU_BoardFromDB>(r, frame, kb2_build_db);
    case 12: return recordFrame<STU_BoardFromPRGB>(r, frame, kb2_build_prgb);
    case 13: return subCode(frame, Kb2Sub::SaveToKeyboard);
    case 14: return subCode(frame, Kb2Sub::RestoreFactory);
    case 15: return subCode(frame, Kb2Sub::QueryWinMode);
    case 16: return subCode(frame, Kb2Sub::QueryMacMode);
    case 17: return subCode(frame, Kb2Sub::QueryName);
    case 18: return subCode(frame, Kb2Sub::QueryPrecision);
    case 19: return subCode(frame, Kb2Sub::SwitchToWin);
    case 20: return subCode(frame, Kb2Sub::SwitchToMac);
    case 21:
        frame = kb2_build_key_matrix_query(quint8(qMax(0, r.arg1)), quint8(qMax(0, r.arg2)));
        return true;
    case 22: return subCode(frame, Kb2Sub::StartCalibration);
    case 23: return subCode(frame, Kb2Sub::StopCalibration);
    case 24: return recordFrame<STU_BoardFromKRGB>(r, frame, kb2_build_krgb);
    case 25: {
        const auto m = r.record.canConvert<STU_BoardFromKeyMATRIX>() ? r.record.value<STU_BoardFromKeyMATRIX>()
                                                                      : STU_BoardFromKeyMATRIX();
        frame = kb2_build_table_query(m.table, 1);
        return true;
    }
    case 27: return subCode(frame, Kb2Sub::PollingRate, r.arg1);
    default:
        return false; // 26 and unknown types send nothing
    }
}

int kb2RequestTypeForRecord(const QVariant &record)
{
    const int t = record.userType();
    if (t == qMetaTypeId<STU_BoardFromDB>()) return 11;
    if (t == qMetaTypeId<STU_BoardFromKey>()) return 2;
    if (t == qMetaTypeId<STU_BoardFromKeyMATRIX>()) return 25;
    if (t == qMetaTypeId<STU_BoardFromKRGB>()) return 24;
    if (t == qMetaTypeId<STU_BoardFromPRGB>()) return 12;
    if (t == qMetaTypeId<STU_BoardFromTDKS>()) return 5;
    if (t == qMetaTypeId<STU_BoardFromMT>()) return 3;
    if (t == qMetaTypeId<STU_BoardFromTGL>()) return 4;
    if (t == qMetaTypeId<STU_BoardFromDDKS>()) return 6;
    if (t == qMetaTypeId<STU_BoardFromEND>()) return 7;
    if (t == qMetaTypeId<STU_BoardFromSOCD>()) return 8;
    if (t == qMetaTypeId<STU_BoardFromRS>()) return 9;
    if (t == qMetaTypeId<STU_BoardFromMACRO>()) return 10;
    return 0;
}
