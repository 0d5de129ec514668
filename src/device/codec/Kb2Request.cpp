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
    case Kb2Req::BoardInfo: {
        const auto nonce = AppParams::sessionNonce();
        frame = kb2_build_board_info(nonce.data());
        return true;
    }
    case Kb2Req::Key: return recordFrame<STU_BoardFromKey>(r, frame, kb2_build_key);
    case Kb2Req::MT: return recordFrame<STU_BoardFromMT>(r, frame, kb2_build_mt);
    case Kb2Req::TGL: return recordFrame<STU_BoardFromTGL>(r, frame, kb2_build_tgl);
    case Kb2Req::TDKS: return recordFrame<STU_BoardFromTDKS>(r, frame, kb2_build_tdks);
    case Kb2Req::DDKS: return recordFrame<STU_BoardFromDDKS>(r, frame, kb2_build_ddks);
    case Kb2Req::END: return recordFrame<STU_BoardFromEND>(r, frame, kb2_build_end);
    case Kb2Req::SOCD: return recordFrame<STU_BoardFromSOCD>(r, frame, kb2_build_socd);
    case Kb2Req::RS: return recordFrame<STU_BoardFromRS>(r, frame, kb2_build_rs);
    case Kb2Req::Macro: return recordFrame<STU_BoardFromMACRO>(r, frame, kb2_build_macro);
    case Kb2Req::DB: return recordFrame<STU_BoardFromDB>(r, frame, kb2_build_db);
    case Kb2Req::PRGB: return recordFrame<STU_BoardFromPRGB>(r, frame, kb2_build_prgb);
    case Kb2Req::Save: return subCode(frame, Kb2Sub::SaveToKeyboard);
    case Kb2Req::FactoryReset: return subCode(frame, Kb2Sub::RestoreFactory);
    case Kb2Req::QueryWinMode: return subCode(frame, Kb2Sub::QueryWinMode);
    case Kb2Req::QueryMacMode: return subCode(frame, Kb2Sub::QueryMacMode);
    case Kb2Req::QueryName: return subCode(frame, Kb2Sub::QueryName);
    case Kb2Req::QueryPrecision: return subCode(frame, Kb2Sub::QueryPrecision);
    case Kb2Req::SwitchToWin: return subCode(frame, Kb2Sub::SwitchToWin);
    case Kb2Req::SwitchToMac: return subCode(frame, Kb2Sub::SwitchToMac);
    case Kb2Req::KeyMatrix:
        frame = kb2_build_key_matrix_query(quint8(qMax(0, r.arg1)), quint8(qMax(0, r.arg2)));
        return true;
    case Kb2Req::StartCalibration: return subCode(frame, Kb2Sub::StartCalibration);
    case Kb2Req::StopCalibration: return subCode(frame, Kb2Sub::StopCalibration);
    case Kb2Req::KRGB: return recordFrame<STU_BoardFromKRGB>(r, frame, kb2_build_krgb);
    case Kb2Req::TableQuery: {
        const auto m = r.record.canConvert<STU_BoardFromKeyMATRIX>() ? r.record.value<STU_BoardFromKeyMATRIX>()
                                                                      : STU_BoardFromKeyMATRIX();
        frame = kb2_build_table_query(m.table, 1);
        return true;
    }
    case Kb2Req::PollingRate: return subCode(frame, Kb2Sub::PollingRate, r.arg1);
    default:
        return false; // 26 and unknown types send nothing
    }
}

int kb2RequestTypeForRecord(const QVariant &record)
{
    const int t = record.userType();
    if (t == qMetaTypeId<STU_BoardFromDB>()) return Kb2Req::DB;
    if (t == qMetaTypeId<STU_BoardFromKey>()) return Kb2Req::Key;
    if (t == qMetaTypeId<STU_BoardFromKeyMATRIX>()) return Kb2Req::TableQuery;
    if (t == qMetaTypeId<STU_BoardFromKRGB>()) return Kb2Req::KRGB;
    if (t == qMetaTypeId<STU_BoardFromPRGB>()) return Kb2Req::PRGB;
    if (t == qMetaTypeId<STU_BoardFromTDKS>()) return Kb2Req::TDKS;
    if (t == qMetaTypeId<STU_BoardFromMT>()) return Kb2Req::MT;
    if (t == qMetaTypeId<STU_BoardFromTGL>()) return Kb2Req::TGL;
    if (t == qMetaTypeId<STU_BoardFromDDKS>()) return Kb2Req::DDKS;
    if (t == qMetaTypeId<STU_BoardFromEND>()) return Kb2Req::END;
    if (t == qMetaTypeId<STU_BoardFromSOCD>()) return Kb2Req::SOCD;
    if (t == qMetaTypeId<STU_BoardFromRS>()) return Kb2Req::RS;
    if (t == qMetaTypeId<STU_BoardFromMACRO>()) return Kb2Req::Macro;
    return Kb2Req::None;
}
