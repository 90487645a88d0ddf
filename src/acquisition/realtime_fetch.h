#pragma once
// The real-time fetches of the main window: "ｵｯｽﾞ取得" reads the win/place/bracket
// ("0B41") and quinella ("0B42") odds series of the selected race and replaces its odds
// files; "結果情報" reads the results of the day ("0B12") and updates its race cards,
// runners and payouts. Progress and errors go to the status label DLlabel kept here,
// errors also to the error log. The results fetch also runs silently from the results
// timer.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/nv_channel.h"
#include "host/frame_pacer.h"
#include "host/host.h"
#include "store/record_store.h"

namespace tidemark::acquisition {

// What the main window has selected.
struct FetchSelection {
    bool daySelected = false;
    // The RA line of slot 0 of the loaded day (the day key is its bytes 12–19).
    std::string slot0Ra;
    // The RA line of the selected race; empty when no race is selected.
    std::string raceRa;
    bool raceSelected = false;
    // Some runner of the selected race has no horse number yet (gates not drawn).
    bool numbersPending = false;
};

class RealtimeFetch {
public:

    // programFolder: where ErrorLog.txt lives.
    RealtimeFetch(NvChannel& channel, Host& host, store::RecordStore& store, std::filesystem::path programFolder);

    // Runs after every change of DLlabel.
    void setOnLabel(std::function<void()> onLabel) { m_onLabel = std::move(onLabel); }
    const std::string& dlLabel() const noexcept { return m_dlLabel; }

    enum class Outcome {
        NotRun,   // preconditions not met, or refused (another acquisition runs)
        Refused,  // odds: the race has no horse numbers yet
        Done,     // ran to the end (service errors shown and logged)
        FileError // a platform file error ended it (shown in a message box)
    };

    // "ｵｯｽﾞ取得": then reloadDay redraws the race from the new files.
    Outcome fetchOdds(const FetchSelection& selection, const std::function<void()>& reloadDay);
    // "結果情報" (silent when run by the results timer): then afterResults runs the
    // payout import and the selected-time view.
    Outcome fetchResults(const FetchSelection& selection, bool silent, const std::function<void()>& afterResults);

    const std::vector<std::string>& o1Buffer() const noexcept { return m_o1Buffer; }
    const std::vector<std::string>& o2Buffer() const noexcept { return m_o2Buffer; }

private:
    enum class Reader { Odds, Results };
    struct Step {
        std::string_view spec;
        std::string key;
        std::string progress;
        std::string errorPrefix;
        Reader reader;
        bool silent;
    };

    // One fetch step; true when the read ran to its end.
    bool runStep(const Step& step);
    bool readLoop(const Step& step);
    void route(const Step& step, std::string_view rec);
    void closeStep(const Step& step);
    void showError(std::string text);
    void setLabel(std::string text);

    NvChannel& m_channel;
    Host& m_host;
    store::RecordStore& m_store;
    std::filesystem::path m_programFolder;
    FramePacer m_pacer{m_host}; // the desktop's turns between records
    std::function<void()> m_onLabel;
    std::string m_dlLabel;
    std::vector<std::string> m_o1Buffer;
    std::vector<std::string> m_o2Buffer;
};

} // namespace tidemark::acquisition
