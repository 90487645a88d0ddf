#pragma once
// What every command of the tool shares: the parsed command line, the program folder
// with its settings and store, the host, and the way a command fails.

#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "cli/cli_host.h"
#include "presentation/main_panel_model.h"
#include "service/nv_link.h"
#include "settings/ini_file.h"
#include "store/store_layout.h"

namespace tidemark::cli {

// Ends a command: one line (UTF-8) on the error stream and the exit code.
class CommandError : public std::runtime_error {
public:
    CommandError(ExitCode code, const std::string& utf8) : std::runtime_error(utf8), m_code(code) {}
    ExitCode code() const noexcept { return m_code; }

private:
    ExitCode m_code;
};

struct Invocation {
    std::string command;
    std::vector<std::string> positional;      // after the command
    std::map<std::string, std::string> options; // "--kind" -> "0"
    // Every value of an option that may be given more than once (--alert), in order;
    // `options` holds its first.
    std::map<std::string, std::vector<std::string>> repeated;
    bool help = false;
    bool cp932 = false; // --encoding cp932

    bool has(const std::string& option) const { return options.contains(option); }
    const std::string* option(const std::string& name) const;
};

class Session {
public:
    Session(const Invocation& inv, Environment& env, std::filesystem::path home);

    const Invocation& inv() const { return m_inv; }
    Environment& env() { return m_env; }
    CliHost& host() { return m_host; }
    IniFile& ini() { return m_ini; }
    const store::StoreLayout& layout() const { return m_layout; }
    const std::filesystem::path& home() const { return m_home; }
    MainPanelModel& panel() { return m_panel; }

    // Writes a CP932 text to the output stream, as UTF-8 unless --encoding cp932.
    void emit(std::string_view cp932);

    // The day list built and the day of DAY (yyyymmdd or its label) loaded; its index.
    // On the session's panel, or on the panel of a main window model the command made.
    int loadDay(const std::string& dayArg) { return loadDay(dayArg, m_panel); }
    int loadDay(const std::string& dayArg, MainPanelModel& panel);
    // The race of RACE (position from 1, or track-code:race-number) opened; its index.
    int openRace(const std::string& raceArg) { return openRace(raceArg, m_panel); }
    int openRace(const std::string& raceArg, MainPanelModel& panel);

    // The data-service component, started as the window starts it (NVInit).
    NvLink& link();

private:
    const Invocation& m_inv;
    Environment& m_env;
    std::filesystem::path m_home;
    CliHost m_host;
    IniFile m_ini;
    store::StoreLayout m_layout;
    MainPanelModel m_panel;
    std::unique_ptr<NvLinkFactory> m_factory;
    std::unique_ptr<NvLink> m_link;
};

// Commands.
ExitCode commandImport(Session& s);
ExitCode commandOdds(Session& s);
ExitCode commandResults(Session& s);
ExitCode commandDays(Session& s);
ExitCode commandRaces(Session& s);
ExitCode commandTimes(Session& s);
ExitCode commandCsv(Session& s);
ExitCode commandTable(Session& s);
ExitCode commandWatch(Session& s);
ExitCode commandMovers(Session& s);
ExitCode commandExport(Session& s);
ExitCode commandBacktest(Session& s);

// A range of days, --from and --to ("yyyymmdd", both included).
struct DayRange {
    std::string from;
    std::string to;
    bool empty() const { return from.empty(); }
};
// The range of --from/--to; an empty range when neither is given and none is required.
// Usage errors for one without the other, a malformed date or an upside-down range.
DayRange dayRange(const Invocation& inv, bool required);
// The stored days of the range, oldest first; NotFound when there is none.
std::vector<std::string> storedDays(Session& s, const DayRange& range);

// The file error of a day that could not be read, as the window shows it.
void failOnFileBox(Session& s, int boxesBefore);

} // namespace tidemark::cli
