#include "cli/cli_app.h"

#include <algorithm>
#include <array>
#include <exception>
#include <ostream>
#include <set>
#include <span>

#include "cli/cli_session.h"
#include "dataservice/service_choice.h"
#include "analytics/backtest_rules.h"
#include "presentation/main_window_texts.h"
#include "records/record_view.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark::cli {

namespace {

struct CommandInfo {
    const char* name;
    ExitCode (*run)(Session&);
    int minPositional;
    int maxPositional;
    std::set<std::string> options; // besides --home, --encoding and --help
    std::string help;
};

std::span<const CommandInfo> commands()
{
    static const CommandInfo table[] = {
        {"import", commandImport, 0, 0, {"--since"},
         "tidemark2nv import [--since \"yyyy/mm/dd hh:nn:ss\"]\n"
         "  The stored-data import: race cards, runners and payouts published since the\n"
         "  moment (default: NvDataGet/LastTime of the settings, as the window uses it)\n"
         "  into the day files; LastTime moves on when the import ends. Progress on stderr.\n"},
        {"odds", commandOdds, 0, 1, {"--month", "--year"},
         "tidemark2nv odds DAY | odds --month YYYYMM | odds --year YYYY\n"
         "  The batch odds import: the odds series of every race of the stored day, or of\n"
         "  every stored day of the month or year, into the races' odds files.\n"},
        {"watch", commandWatch, 1, 1, {"--every", "--ahead", "--near", "--alert"},
         "tidemark2nv watch DAY [--every M] [--ahead N] [--near K] [--alert RULE]...\n"
         "  The odds watch of race day (the window's \"オッズ監視\"): DAY must be today. The odds\n"
         "  of every race whose post is at most N minutes away and not yet past are fetched\n"
         "  into the races' odds files every M minutes (1-30), nearest post first; in a race's\n"
         "  last K minutes (0-30, 0: not so) and after its post until its final odds are in,\n"
         "  every minute. It ends after the day's last race; Ctrl-C stops it between two\n"
         "  requests, every file written whole. Defaults: the window's settings\n"
         "  (OddsWatch/Every 2, OddsWatch/Ahead 60, OddsWatch/Near 10; N 5-240).\n"
         "  Progress and errors on stderr; a failed request is logged and the watch goes on.\n"
         "  --alert RULE (repeatable): one line on stdout per alert, fields separated by TAB:\n"
         "  announcement time, track and race, horse, what happened, win odds before and after.\n"
         "  A rule fires once per horse and race until its condition clears. RULE is one of\n"
         "    rise[,P[,W]]   the win share (80 / odds) rose by at least P points within W minutes\n"
         "    fall[,P[,W]]   the win share fell by at least P points within W minutes\n"
         "    place[,P[,W]]  the place share (26.6 / lower place odds) moved against the win share:\n"
         "                   opposite signs, at least P points apart\n"
         "    below,X,RACE,H the win odds of horse H in RACE went from X or more to under X\n"
         "    above,X,RACE,H the win odds of horse H in RACE went from X or less to over X\n"
         "  P 0.1-99.9 (default 5), W 1-60 minutes (default 10): the announcement against the\n"
         "  latest one at least W minutes older, as the movers board compares them.\n"},
        {"results", commandResults, 1, 1, {},
         "tidemark2nv results DAY\n"
         "  The results fetch of the stored day: race cards, runners and payouts updated.\n"},
        {"days", commandDays, 0, 0, {},
         "tidemark2nv days\n"
         "  The stored days, newest first, as the date list shows them.\n"},
        {"races", commandRaces, 1, 1, {},
         "tidemark2nv races DAY\n"
         "  The race list of the day, numbered from 1: number, tab, the list's text.\n"},
        {"times", commandTimes, 2, 2, {},
         "tidemark2nv times DAY RACE\n"
         "  The snapshot list of the race (\"mm/dd hh:nn\"), as the time list shows it.\n"},
        {"csv", commandCsv, 0, 1, {"--kind", "--time", "--minutes", "--what", "--out", "--from", "--to"},
         "tidemark2nv csv DAY --kind 0|1|2 [--time hhmm] [--minutes N] [--what odds|popularity]\n"
         "                [--out DIR]\n"
         "tidemark2nv csv --from yyyymmdd --to yyyymmdd --kind 0|1|2 [the same options]\n"
         "  The specific-time export: the four CSV files (TAN, FUK, WAK, UMA) the window\n"
         "  writes, into DIR (default: CSV in the program folder); their paths on stdout.\n"
         "  With --from/--to instead of DAY: one set of the four files for every stored day\n"
         "  of the range (each named after its day), progress on stderr.\n"
         "  --kind 0 a clock time on the race day, 1 the same time on the day before,\n"
         "         2 N minutes before each race's post time\n"
         "  --time hhmm for kinds 0 and 1, --minutes N (3-59) for kind 2, --what the values;\n"
         "  defaults: the last choice of the window (settings section CSVTime).\n"},
        {"movers", commandMovers, 1, 1, {"--at", "--window", "--top"},
         "tidemark2nv movers DAY --at hhmm [--window W] [--top K]\n"
         "  The movers board (the window's \"オッズ急変\") at the clock time hhmm of the day:\n"
         "  every runner whose win odds are priced at both snapshots, A (the latest announced\n"
         "  by hhmm minus W minutes) and B (the latest by hhmm), by the change of its win\n"
         "  share (80 / odds, points) from A to B, the largest rise first. Printed as the\n"
         "  window copies it: a title line, then the rows, cells separated by TAB.\n"
         "  --window 5, 10, 15 or 30 (default: the window's last choice, 10); --top K: the\n"
         "  first K rows only.\n"},
        {"table", commandTable, 3, 5, {"--moment"},
         "tidemark2nv table DAY RACE PAGE [INNER [INNER2]] [--moment \"mm/dd hh:nn\"]\n"
         "  The text the clipboard button of the window copies on that page: the title lines\n"
         "  and every row of the page's table, cells separated by TAB, lines ended by CR LF,\n"
         "  with the race opened and the snapshot of the time list selected (--moment, an\n"
         "  entry as times lists it; default: the newest, as the window opens the race).\n"
         "  PAGE and INNER are the captions of the window's tabs; an inner page left out is\n"
         "  the first one. The pages with a table:\n"
         "    出馬表, 券種別オッズ比較, 馬連マトリクス\n"
         "    ３系列オッズ表 単勝|複勝(低)|複勝(高)|馬連(疑似)\n"
         "    異常オッズ発見 単複比較 単÷複|複÷単, 異常オッズ発見 時差比較 単勝|複勝\n"
         "    断層表 単勝|複勝(低)|複勝(高)|馬連\n"
         "    時系列ｵｯｽﾞ表, 時系列人気表, 時系列得票表: 単勝|複勝|枠連|馬連\n"
         "  (馬連・枠連, グラフ, オッズ閲覧 and 成績結果 have none to copy).\n"},
        {"export", commandExport, 0, 0, {"--from", "--to", "--format", "--out", "--dsn", "--tables", "--no-bom", "--wait"},
         "tidemark2nv export --from yyyymmdd --to yyyymmdd [--format sqlite|postgres|csv]\n"
         "                   [--out PATH | --dsn CONNINFO] [--tables LIST] [--no-bom] [--wait S]\n"
         "  The stored days of the range as tables for SQL, pandas, R or a spreadsheet (every\n"
         "  column, its type, unit and key: docs/season-export.md):\n"
         "    races             one row per race (key race_key, 16 digits): day, track, meeting,\n"
         "                      race number and name, post_time (hh:mm) and post_at, distance,\n"
         "                      course, runners (registered), starters, cancelled, and the race\n"
         "                      card's codes each beside its text: weekday, grade, race kind,\n"
         "                      race symbol, condition, weight rule, going or moisture\n"
         "    runners           one row per runner (race_key, horse): bracket, name, sex, age,\n"
         "                      jockey, trainer, weight_carried, finish_position, final_win_odds,\n"
         "                      final_win_popularity, scratched and from which snapshot\n"
         "    win_place         one row per announcement and runner (race_key, snapshot, horse):\n"
         "                      announced_at, minutes_to_post, is_last (the last before the\n"
         "                      post), win and place odds, popularities, statuses and shares\n"
         "                      (80 / win odds, 26.6 / lower place odds), pool totals, sale flags\n"
         "    bracket_quinella  one row per announcement and pair (race_key, snapshot,\n"
         "    quinella          bracket_a, bracket_b / horse_a, horse_b): odds, popularity,\n"
         "                      status, share (75 / odds), total; large, so only when --tables\n"
         "                      names them\n"
         "    payouts           race_key, ticket_type, combination (\"3\", \"3-6\", \"1-2-3\"),\n"
         "                      amount (yen per 100), popularity\n"
         "    meta, meta_days   one row per export (schema_version, range, when, odds lines\n"
         "                      left out) and per export and day\n"
         "  Odds in units of 1, NULL where not priced; status priced, no_votes,\n"
         "  cancelled_before_sale, cancelled_after_sale or blank; times Japan time; texts UTF-8.\n"
         "  Odds lines that are no announcement of their race (another race's record, one cut\n"
         "  short, damaged bytes, no time) are left out and counted, per day.\n"
         "  --format sqlite (default) one file in WAL mode (readable while an export writes),\n"
         "         --out PATH (default: season.sqlite in the program folder)\n"
         "         postgres through libpq: --dsn \"host=... dbname=... user=...\" (default: the\n"
         "         PG* environment variables); DATE, TIMESTAMP, NUMERIC(6,1) and BOOLEAN columns\n"
         "         csv one file per table in the folder --out DIR (default: CSV/season in\n"
         "         the program folder), a header line each; UTF-8 with a byte-order mark for\n"
         "         Excel (--no-bom leaves it out), or --encoding cp932\n"
         "  --tables races,runners,win_place,payouts (the default), any of the six.\n"
         "  --wait S: how long to wait for another export into the same place to end before\n"
         "         giving up (0-3600 seconds, default 30); an export holds its place alone.\n"
         "  Exporting a range again replaces exactly its races, so a season database is\n"
         "  kept current after each import; a file of an older version of the program is\n"
         "  refused with what to do. One transaction per day: Ctrl-C keeps the days finished\n"
         "  (CSV files appear only when the export is done), builds the indexes, says what was\n"
         "  kept and ends with exit code 130; a failed export keeps the days it finished and\n"
         "  nothing of the day it was writing. Progress on stderr.\n"},
        {"backtest", commandBacktest, 0, 0, {"--from", "--to", "--rule", "--at", "--bet", "--csv"},
         std::string("tidemark2nv backtest --from yyyymmdd --to yyyymmdd --rule RULE [--at MINUTES]\n"
         "                     [--bet win|place] [--csv FILE]\n"
         "  Every race of the range with odds and a result: at the bet moment, the latest\n"
         "  announcement of the race day at or before MINUTES (default 5) before the post,\n"
         "  the rule picks runners, each a bet of 100 yen on win (the 単勝 payout when it\n"
         "  won) or place (its 複勝 payout when it placed); a runner scratched after the bet\n"
         "  is refunded. The rule sees the race as the window shows it at that moment (with\n"
         "  the settings of the program folder: first-data cut, advance sale, 断層 thresholds)\n"
         "  and nothing announced later. Rules:\n") +
             analytics::ruleHelp() +
             "  Prints races examined and skipped, bets, hits, strike rate, stake, return, the\n"
         "  return on investment ((return - stake) / stake) with its 95 % bootstrap interval\n"
         "  (races resampled 2000 times, fixed seed), and the same by track and by\n"
         "  popularity band (1, 2-3, 4-6, 7-9, 10-). --csv FILE lists the bets (UTF-8); the\n"
         "  file's folder is checked before the run.\n"},
    };
    return table;
}

const CommandInfo* findCommand(std::string_view name)
{
    for (const CommandInfo& c : commands())
        if (name == c.name)
            return &c;
    return nullptr;
}

const std::set<std::string> kValueOptions{"--home", "--encoding", "--since",  "--month", "--year",
                                          "--kind", "--time",     "--minutes", "--what",  "--out",
                                          "--moment", "--from",   "--to",      "--format", "--dsn",
                                          "--tables", "--rule",   "--at",      "--bet",    "--csv",
                                          "--every",  "--ahead",  "--near",    "--window",  "--top",
                                          "--service", "--wait",  "--alert"};
// Value options that may be given more than once.
const std::set<std::string> kRepeatOptions{"--alert"};
// Options without a value.
const std::set<std::string> kFlagOptions{"--no-bom"};

Invocation parse(const std::vector<std::string>& args)
{
    Invocation inv;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            inv.help = true;
        } else if (a.size() > 2 && a.starts_with("--")) {
            std::string name = a;
            std::string value;
            bool inlineValue = false;
            if (const auto eq = a.find('='); eq != std::string::npos) {
                name = a.substr(0, eq);
                value = a.substr(eq + 1);
                inlineValue = true;
            }
            if (kFlagOptions.contains(name)) {
                if (inlineValue)
                    throw CommandError(ExitCode::Usage, "option " + name + " takes no value");
                if (inv.options.contains(name))
                    throw CommandError(ExitCode::Usage, "option " + name + " given twice");
                inv.options[name] = std::string();
                continue;
            }
            if (!kValueOptions.contains(name))
                throw CommandError(ExitCode::Usage, "unknown option " + name);
            if (!inlineValue) {
                if (i + 1 >= args.size())
                    throw CommandError(ExitCode::Usage, "option " + name + " needs a value");
                value = args[++i];
            }
            if (kRepeatOptions.contains(name)) {
                inv.repeated[name].push_back(value);
                inv.options.try_emplace(name, value);
                continue;
            }
            if (inv.options.contains(name))
                throw CommandError(ExitCode::Usage, "option " + name + " given twice");
            inv.options[name] = value;
        } else if (inv.command.empty()) {
            inv.command = a;
        } else {
            inv.positional.push_back(a);
        }
    }
    if (const std::string* enc = inv.option("--encoding")) {
        if (*enc == "cp932")
            inv.cp932 = true;
        else if (*enc != "utf8" && *enc != "utf-8")
            throw CommandError(ExitCode::Usage, "--encoding must be utf8 or cp932, not " + *enc);
    }
    return inv;
}

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

const char* serviceDescription(dataservice::ServiceKind kind)
{
    switch (kind) {
    case dataservice::ServiceKind::Sim: return "simulated (sim); its odds are not real";
    case dataservice::ServiceKind::Com: return "the provider's component in this process (com)";
    case dataservice::ServiceKind::Bridge: return "the provider's component through the bridge (bridge)";
    case dataservice::ServiceKind::Automatic: break;
    }
    return "automatic";
}

} // namespace

const std::string* Invocation::option(const std::string& name) const
{
    const auto it = options.find(name);
    return it == options.end() ? nullptr : &it->second;
}

std::string usageText()
{
    std::string text =
        "tidemark2nv - the headless companion of Tidemark2NV: import, fetch, inspect and export\n"
        "\n"
        "usage: tidemark2nv [--home DIR] [--encoding utf8|cp932] [--service sim|com|bridge] COMMAND [ARGS...]\n"
        "       tidemark2nv COMMAND --help\n"
        "\n"
        "  --home DIR        the program folder (default: the folder of this executable, or\n"
        "                    ~/.local/share/Tidemark2NV when installed beside the window);\n"
        "                    its Tidemark2NV.ini, its Data store and its data service are used\n"
        "  --encoding E      texts on stdout in UTF-8 (default) or CP932, byte for byte as\n"
        "                    the program holds them\n"
        "  --service S       the data service: sim (simulated), com (the provider's component\n"
        "                    in this process) or bridge (the component through tidemark2nv-link);\n"
        "                    default: [DataService] Use of Tidemark2NV.ini, else automatic.\n"
        "                    Commands that use the service name it on stderr\n"
        "  DAY               yyyymmdd or the day label (2024年01月15日)\n"
        "  RACE              the position in the race list (from 1) or track-code:race-number (44:11)\n"
        "\n"
        "commands:\n\n";
    for (const CommandInfo& c : commands()) {
        const std::string help = c.help;
        for (std::size_t start = 0; start < help.size();) {
            const std::size_t end = help.find('\n', start);
            text += "  " + help.substr(start, end - start + 1);
            start = end + 1;
        }
        text += "\n";
    }
    text +=
        "exit codes:\n"
        "  0  done\n"
        "  1  an unexpected failure of the tool\n"
        "  2  unknown command or option, missing or malformed argument (a time, a number),\n"
        "     a page caption that is not a tab of the window or a page without a table\n"
        "  3  the program folder does not exist\n"
        "  4  unknown day or race, a moment not in the race's time list, or nothing stored\n"
        "     to work on\n"
        "  5  the data service answered with an error\n"
        "  6  a file could not be read or written\n"
        "  7  the database (or the CSV folder) of an export could not be opened, reached or\n"
        "     written, refused a statement, or was held by another export past --wait\n"
        "  130  interrupted by Ctrl-C: the export kept what it finished and said what\n";
    return text;
}

Session::Session(const Invocation& inv, Environment& env, std::filesystem::path home)
    : m_inv(inv)
    , m_env(env)
    , m_home(std::move(home))
    , m_host(env.err, env.clock, env.realTime)
    , m_ini(IniFile::pathForExecutable(m_home / "Tidemark2NV"))
    , m_layout(m_home)
    , m_panel(m_host, m_home, m_ini)
{
}

void Session::emit(std::string_view cp932)
{
    if (m_inv.cp932)
        m_env.out << cp932;
    else
        m_env.out << text::toUtf8(cp932);
}

void failOnFileBox(Session& s, int boxesBefore)
{
    // The panel shows a platform file error in a message box and ends the operation.
    if (s.host().messageBoxes() > boxesBefore)
        throw CommandError(ExitCode::File, text::toUtf8(s.host().boxTexts().back()));
}

int Session::loadDay(const std::string& dayArg, MainPanelModel& panel)
{
    std::string label;
    if (allDigits(dayArg)) {
        const auto l = store::dayLabelOfDate(dayArg);
        if (!l)
            throw CommandError(ExitCode::Usage, "malformed day " + dayArg + " (yyyymmdd or 2024年01月15日)");
        label = *l;
    } else {
        label = text::fromUtf8(dayArg);
    }
    panel.buildDateList();
    const auto& items = panel.DateCombo().items;
    const auto it = std::find(items.begin(), items.end(), label);
    if (it == items.end())
        throw CommandError(ExitCode::NotFound, "unknown day " + dayArg + ": no such day is stored (see days)");
    const int index = static_cast<int>(it - items.begin());
    const int boxes = m_host.messageBoxes();
    panel.DateComboChange(index);
    failOnFileBox(*this, boxes);
    return index;
}

int Session::openRace(const std::string& raceArg, MainPanelModel& panel)
{
    const auto& entries = panel.raceEntries();
    int index = -1;
    if (allDigits(raceArg)) {
        std::int32_t n = 0;
        if (text::tryParseInt32(raceArg, n) && n >= 1 && n <= static_cast<std::int32_t>(entries.size()))
            index = n - 1;
    } else if (const auto colon = raceArg.find(':'); colon != std::string::npos) {
        const std::string track = raceArg.substr(0, colon);
        const std::string race = raceArg.substr(colon + 1);
        std::int32_t raceNo = 0;
        if (!allDigits(track) || track.size() > 2 || !allDigits(race) || !text::tryParseInt32(race, raceNo))
            throw CommandError(ExitCode::Usage, "malformed race " + raceArg + " (a position or track-code:race-number)");
        const std::string code = text::formatZeroPad(text::readInt(track), 2);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::string& ra = panel.dayTable().slots[static_cast<std::size_t>(entries[i].slot)].raRecord;
            const records::RecordView view(ra);
            if (view.trackCode() == code && view.raceNumber() == raceNo) {
                index = static_cast<int>(i);
                break;
            }
        }
    } else {
        throw CommandError(ExitCode::Usage, "malformed race " + raceArg + " (a position or track-code:race-number)");
    }
    if (index < 0)
        throw CommandError(ExitCode::NotFound, "unknown race " + raceArg + " on " +
                                                   text::toUtf8(panel.DateCombo().text()) + " (see races)");
    const int boxes = m_host.messageBoxes();
    m_host.clearTransientText();
    panel.DatListClick(index);
    failOnFileBox(*this, boxes);
    return index;
}

NvLink& Session::link()
{
    if (m_link)
        return *m_link;
    // The service named by --service, else by the setting, chosen as the window chooses it.
    dataservice::ServiceSetting setting = dataservice::readServiceSetting(m_ini);
    if (const std::string* service = m_inv.option("--service"))
        setting.use = *dataservice::parseServiceKind(*service);
    Clock clock = [this] { return m_host.now(); };
    dataservice::ChosenService chosen = dataservice::chooseService(setting, {m_home, m_env.defaultHome, clock});
    m_env.err << "tidemark2nv: data service: " << serviceDescription(chosen.kind) << '\n';
    m_factory = std::move(chosen.factory);
    if (!m_factory->installed())
        throw CommandError(ExitCode::Service, text::toUtf8(text::sj(texts::kMsgInstallUmaConn)));
    m_link = m_factory->create();
    const int r = m_link->NVInit(std::string(texts::kServiceIdPrefix) + texts::kVersion);
    if (r != 0)
        throw CommandError(ExitCode::Service, text::toUtf8(text::sj(texts::kMsgNvInitError)) + std::to_string(r));
    return *m_link;
}

// --- inspection ----------------------------------------------------------------------

ExitCode commandDays(Session& s)
{
    s.panel().buildDateList();
    for (const std::string& label : s.panel().DateCombo().items) {
        s.emit(label);
        s.emit("\n");
    }
    return ExitCode::Ok;
}

ExitCode commandRaces(Session& s)
{
    s.loadDay(s.inv().positional[0]);
    const auto& items = s.panel().DatList().items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        s.emit(std::to_string(i + 1) + "\t");
        s.emit(items[i]);
        s.emit("\n");
    }
    return ExitCode::Ok;
}

ExitCode commandTimes(Session& s)
{
    s.loadDay(s.inv().positional[0]);
    s.openRace(s.inv().positional[1]);
    for (const std::string& item : s.panel().TimeCombo().items) {
        s.emit(item);
        s.emit("\n");
    }
    // A race without odds: what the window writes on its surface.
    if (!s.host().transientText().empty())
        s.host().note(text::toUtf8(s.host().transientText()));
    return ExitCode::Ok;
}

// --- dispatch --------------------------------------------------------------------------

ExitCode run(const std::vector<std::string>& args, Environment& env)
{
    try {
        const Invocation inv = parse(args);
        if (inv.command.empty() || inv.command == "help") {
            if (!inv.help && inv.command.empty())
                throw CommandError(ExitCode::Usage, "no command given (see --help)");
            if (!inv.positional.empty()) {
                const CommandInfo* c = findCommand(inv.positional[0]);
                if (!c)
                    throw CommandError(ExitCode::Usage, "unknown command " + inv.positional[0] + " (see --help)");
                env.out << c->help;
            } else {
                env.out << usageText();
            }
            return ExitCode::Ok;
        }
        const CommandInfo* c = findCommand(inv.command);
        if (!c)
            throw CommandError(ExitCode::Usage, "unknown command " + inv.command + " (see --help)");
        if (inv.help) {
            env.out << c->help;
            return ExitCode::Ok;
        }
        for (const auto& [name, value] : inv.options)
            if (name != "--home" && name != "--encoding" && name != "--service" && !c->options.contains(name))
                throw CommandError(ExitCode::Usage, std::string(c->name) + " takes no option " + name);
        const int n = static_cast<int>(inv.positional.size());
        if (n < c->minPositional)
            throw CommandError(ExitCode::Usage, std::string("missing argument of ") + c->name + "; usage: " +
                                                    std::string(c->help).substr(0, std::string(c->help).find('\n')));
        if (n > c->maxPositional)
            throw CommandError(ExitCode::Usage, std::string("too many arguments for ") + c->name + ": " + inv.positional.back());

        if (const std::string* service = inv.option("--service");
            service && !dataservice::parseServiceKind(*service))
            throw CommandError(ExitCode::Usage, "unknown --service " + *service + " (sim, com, bridge or automatic)");

        std::filesystem::path home = env.defaultHome;
        if (const std::string* h = inv.option("--home"))
            home = text::pathFromUtf8(*h); // a Japanese folder name stays whole on Windows
        std::error_code ec;
        if (home.empty() || !std::filesystem::is_directory(home, ec))
            throw CommandError(ExitCode::NoProgramFolder, "program folder " + text::utf8Path(home) + " does not exist");

        Session session(inv, env, home);
        return c->run(session);
    } catch (const CommandError& e) {
        env.err << "tidemark2nv: " << e.what() << '\n';
        return e.code();
    } catch (const text::FileError& e) {
        env.err << "tidemark2nv: " << e.what() << '\n';
        return ExitCode::File;
    } catch (const std::exception& e) {
        env.err << "tidemark2nv: unexpected failure: " << e.what() << '\n';
        return ExitCode::Internal;
    }
}

} // namespace tidemark::cli
