#include "acquisition/realtime_fetch.h"

#include <exception>

#include "acquisition/realtime_read.h"
#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "service/error_log.h"
#include "service/nv_message.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"
#include "text/text_functions.h"

namespace tidemark::acquisition {

namespace {

using text::sj;

// "大井 1": the two-character track name and the race number of a race card.
std::string trackAndRace(std::string_view card)
{
    const records::RaView ra(card);
    return KeibaFuncNV::TrackName(ra.trackCode(), 2) + text::rightNumber(ra.raceNumberText());
}

} // namespace

RealtimeFetch::RealtimeFetch(NvChannel& channel, Host& host, store::RecordStore& store,
                             std::filesystem::path programFolder)
    : m_channel(channel), m_host(host), m_store(store), m_programFolder(std::move(programFolder))
{
}

void RealtimeFetch::setLabel(std::string text)
{
    m_dlLabel = std::move(text);
    if (m_onLabel)
        m_onLabel();
}

void RealtimeFetch::showError(std::string text)
{
    setLabel(std::move(text));
    ErrorLog(m_programFolder).append(m_dlLabel, m_host.now());
}

RealtimeFetch::Outcome RealtimeFetch::fetchOdds(const FetchSelection& selection,
                                                const std::function<void()>& reloadDay)
{
    if (!selection.daySelected || !selection.raceSelected)
        return Outcome::NotRun;
    const std::string key(records::RaView(selection.raceRa).raceKey());
    if (text::readInt(key) <= 0)
        return Outcome::NotRun;
    // Boxes come after the service is given back: one left open holds nothing.
    bool refused = false;
    std::string fileError;
    {
        NvChannel::Claim claim(m_channel);
        if (!claim) {
            refuseWhileBusy(m_host);
            return Outcome::NotRun;
        }
        m_channel.clearCancel();
        refused = selection.numbersPending;
        const std::string name = trackAndRace(selection.raceRa);
        const std::string progress = name + sj("オッズ取得中");
        const std::string prefix = name + sj("R:ｵｯｽﾞ取得エラー：");
        try {
            m_o1Buffer.clear();
            // A cancelled or broken read holds only part of the series; writing it
            // would replace the whole stored series with that part.
            if (!refused && runStep({"0B41", key, progress, prefix, Reader::Odds, false}) && !m_o1Buffer.empty())
                m_store.storeOdds(store::StoreKind::O1, m_o1Buffer);
            m_o2Buffer.clear();
            if (!refused && runStep({"0B42", key, progress, prefix, Reader::Odds, false}) && !m_o2Buffer.empty())
                m_store.storeOdds(store::StoreKind::O2, m_o2Buffer);
        } catch (const text::FileError& e) {
            fileError = e.what();
        }
    }
    if (refused) {
        m_host.beep();
        m_host.message(sj("本レースは枠順が決まったデータが未取得です。"));
        return Outcome::Refused;
    }
    if (!fileError.empty()) {
        m_host.message(text::fromUtf8(fileError));
        return Outcome::FileError;
    }
    if (reloadDay)
        reloadDay();
    return Outcome::Done;
}

RealtimeFetch::Outcome RealtimeFetch::fetchResults(const FetchSelection& selection, bool silent,
                                                   const std::function<void()>& afterResults)
{
    if (!selection.daySelected)
        return Outcome::NotRun;
    const std::string key(records::RaView(selection.slot0Ra).dayKey());
    if (text::readInt(key) <= 0)
        return Outcome::NotRun;
    std::string fileError;
    {
        NvChannel::Claim claim(m_channel);
        if (!claim) {
            // A timer tick during another acquisition is skipped; the next tick fetches.
            if (!silent) {
                refuseWhileBusy(m_host);
            }
            return Outcome::NotRun;
        }
        m_channel.clearCancel();
        const std::string name = trackAndRace(selection.raceSelected ? std::string_view(selection.raceRa) : "");
        try {
            runStep({"0B12", key, sj("払戻データ取得中"), name + sj("R:払戻データ取得エラー："), Reader::Results, silent});
        } catch (const text::FileError& e) {
            fileError = e.what();
        }
    }
    if (!fileError.empty()) {
        m_host.message(text::fromUtf8(fileError));
        return Outcome::FileError;
    }
    if (afterResults)
        afterResults();
    return Outcome::Done;
}

bool RealtimeFetch::runStep(const Step& step)
{
    setLabel(step.progress);
    m_host.processEvents();
    m_pacer.turnGiven();

    std::exception_ptr failure;
    bool complete = false;
    try {
        const int r = m_channel.link().NVRTOpen(step.spec, step.key);
        // A cancel that came while the service was asked ends the step, without an error.
        if (r != 0 && m_channel.cancelRequested()) {
        } else if (r != 0) {
            if (!step.silent)
                m_host.beep();
            showError(step.errorPrefix + nvMessage(NvOperation::NVRTOpen, r));
        } else {
            complete = readLoop(step);
        }
        if (step.reader == Reader::Odds)
            closeStep(step);
    } catch (...) {
        failure = std::current_exception();
    }
    // Whatever happened above, the transfer is closed.
    try {
        setLabel({});
        m_host.processEvents();
        closeStep(step);
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    if (failure)
        std::rethrow_exception(failure);
    return complete;
}

bool RealtimeFetch::readLoop(const Step& step)
{
    const RealtimeRead read = readRealtime(
        m_channel.link(), m_host,
        [this] {
            // Once a frame: a cancel is seen at the first turn after it.
            if (m_pacer.due())
                m_host.processEvents();
        },
        [this] { return m_channel.cancelRequested(); },
        [this, &step](std::string_view rec) { route(step, rec); });
    if (read.end == RealtimeRead::End::Failed) {
        if (step.reader == Reader::Odds)
            m_host.beep();
        showError(nvMessage(NvOperation::NVRead, read.code));
    }
    return read.end == RealtimeRead::End::Complete;
}

void RealtimeFetch::route(const Step& step, std::string_view rec)
{
    const records::RecordView view(rec);
    switch (step.reader) {
    case Reader::Odds:
        // Kept as delivered: the odds writer keeps only the odds of the race asked for.
        (step.spec == "0B41" ? m_o1Buffer : m_o2Buffer).emplace_back(records::withoutLineEnd(rec));
        return;
    case Reader::Results: {
        if (view.raceNumber() <= 0)
            return;
        const std::string_view kind = view.recordKind();
        if (kind == "RA") {
            m_store.storeRa(rec, store::Origin::ResultsFetch);
        } else if (kind == "SE") {
            const int horse = records::SeView(rec).horseNumber();
            if (horse >= 1 && horse <= 18)
                m_store.storeSe(rec, store::Origin::ResultsFetch);
        } else if (kind == "HR") {
            m_store.storeHr(rec, store::Origin::ResultsFetch);
        }
        return;
    }
    }
}

void RealtimeFetch::closeStep(const Step& step)
{
    const int r = m_channel.link().NVClose();
    if (r != 0) {
        if (step.reader == Reader::Odds)
            m_host.beep();
        showError(nvMessage(NvOperation::NVClose, r));
    } else if (step.reader == Reader::Results && !step.silent) {
        m_host.beep();
    }
}

} // namespace tidemark::acquisition
