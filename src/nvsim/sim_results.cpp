#include "nvsim/sim_results.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "nvsim/sim_random.h"

namespace tidemark::nvsim {

namespace {

using records::PayoutEntry;
using records::PayoutKind;

struct Runner {
    int number;
    int bracket;
    int finish;
    double chance; // the public's win chance at the close
};

// A combination wins when it holds every horse placed ahead of its worst member and that
// member finished within the places paid; for ordered kinds each member must also have
// finished no worse than its place (ties may swap).
bool winsUnordered(const std::vector<const Runner*>& combo, const std::vector<Runner>& field, int places)
{
    int worst = 0;
    for (const auto* r : combo) {
        worst = std::max(worst, r->finish);
    }
    if (worst > places) {
        return false;
    }
    for (const auto& r : field) {
        if (r.finish < worst && std::find(combo.begin(), combo.end(), &r) == combo.end()) {
            return false;
        }
    }
    return true;
}

bool winsOrdered(const std::vector<const Runner*>& combo, const std::vector<Runner>& field)
{
    for (std::size_t i = 0; i < combo.size(); ++i) {
        if (combo[i]->finish > static_cast<int>(i) + 1) {
            return false;
        }
        if (i > 0 && combo[i]->finish < combo[i - 1]->finish) {
            return false;
        }
    }
    return winsUnordered(combo, field, static_cast<int>(combo.size()));
}

struct Candidate {
    std::array<int, 3> numbers{};
    int count = 0;
    double chance = 0; // as the public priced it, wobble included
    bool wins = false;
};

// Ranks candidates by chance (ties share a rank) and turns winners into entries.
void emit(PayoutKind kind, std::vector<Candidate>& all, double takeBack, int slots, std::vector<PayoutEntry>& out)
{
    int index = 0;
    for (const auto& c : all) {
        if (!c.wins || index >= slots) {
            continue;
        }
        int rank = 1;
        for (const auto& o : all) {
            rank += o.chance > c.chance;
        }
        PayoutEntry e;
        e.kind = kind;
        e.index = ++index;
        e.numbers = c.numbers;
        e.count = c.count;
        const double yen = 100.0 * takeBack / std::max(c.chance, 1e-9);
        e.amount = std::max<std::int64_t>(100, static_cast<std::int64_t>(std::floor(std::min(yen, 9.9e8) / 10.0)) * 10);
        e.popularity = rank;
        out.push_back(e);
    }
}

double wobble(std::uint64_t seed, const std::array<int, 3>& n, int kind)
{
    const std::uint64_t h = mixSeed(mixSeed(mixSeed(mixSeed(seed, static_cast<std::uint64_t>(kind)),
        static_cast<std::uint64_t>(n[0])), static_cast<std::uint64_t>(n[1])), static_cast<std::uint64_t>(n[2]));
    return 0.92 + 0.16 * static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

} // namespace

std::vector<PayoutEntry> payoutsOf(const SimRace& race, const OddsSnapshot& s)
{
    std::vector<PayoutEntry> out;
    if (race.cancelled || s.winTotal <= 0) {
        return out;
    }
    std::vector<Runner> field;
    for (std::size_t i = 0; i < race.runners.size(); ++i) {
        const auto& r = race.runners[i];
        if (r.finish > 0 && s.winVotes[i] > 0) {
            field.push_back({r.number, r.bracket, r.finish,
                static_cast<double>(s.winVotes[i]) / static_cast<double>(s.winTotal)});
        }
    }
    if (field.size() < 2) {
        return out;
    }

    // Pools with announced odds: the payout follows the same pool rule as the odds.
    auto poolEntries = [&](PayoutKind kind, int slots, std::vector<std::pair<std::vector<int>, std::int64_t>> winners,
                           std::int64_t total, const std::vector<int>& pops) {
        std::int64_t winnerVotes = 0;
        for (const auto& w : winners) {
            winnerVotes += w.second;
        }
        int index = 0;
        for (std::size_t k = 0; k < winners.size() && index < slots; ++k) {
            PayoutEntry e;
            e.kind = kind;
            e.index = ++index;
            e.count = static_cast<int>(winners[k].first.size());
            for (int j = 0; j < e.count; ++j) {
                e.numbers[static_cast<std::size_t>(j)] = winners[k].first[static_cast<std::size_t>(j)];
            }
            e.amount = std::max<std::int64_t>(100, 10 * poolTenths(total, kind == PayoutKind::Win || kind == PayoutKind::Place ? 8 : 75,
                kind == PayoutKind::Win || kind == PayoutKind::Place ? 10 : 100, winnerVotes, static_cast<int>(winners.size()), winners[k].second));
            e.popularity = std::max(0, pops[k]);
            out.push_back(e);
        }
    };

    auto idx = [](int horse) { return static_cast<std::size_t>(horse - 1); };
    {
        std::vector<std::pair<std::vector<int>, std::int64_t>> w;
        std::vector<int> pops;
        for (const auto& r : field) {
            if (r.finish == 1) {
                w.push_back({{r.number}, s.winVotes[idx(r.number)]});
                pops.push_back(s.winPop[idx(r.number)]);
            }
        }
        poolEntries(PayoutKind::Win, 3, w, s.winTotal, pops);
    }
    {
        std::vector<std::pair<std::vector<int>, std::int64_t>> w;
        std::vector<int> pops;
        for (const auto& r : field) {
            if (r.finish <= s.placesPaid) {
                w.push_back({{r.number}, s.placeVotes[idx(r.number)]});
                pops.push_back(s.placePop[idx(r.number)]);
            }
        }
        poolEntries(PayoutKind::Place, 5, w, s.placeTotal, pops);
    }
    std::vector<std::pair<const Runner*, const Runner*>> topPairs;
    for (std::size_t i = 0; i < field.size(); ++i) {
        for (std::size_t j = i + 1; j < field.size(); ++j) {
            if (winsUnordered({&field[i], &field[j]}, field, 2)) {
                topPairs.push_back({&field[i], &field[j]});
            }
        }
    }
    if (s.bracketSold) {
        std::vector<std::pair<std::vector<int>, std::int64_t>> w;
        std::vector<int> pops;
        for (const auto& [a, b] : topPairs) {
            const int lo = std::min(a->bracket, b->bracket);
            const int hi = std::max(a->bracket, b->bracket);
            const auto slot = static_cast<std::size_t>(bracketPairSlot(lo, hi));
            const bool seen = std::any_of(w.begin(), w.end(), [&](const auto& x) { return x.first == std::vector<int>{lo, hi}; });
            if (!seen && s.bracketVotes[slot] > 0) {
                w.push_back({{lo, hi}, s.bracketVotes[slot]});
                pops.push_back(s.bracketPop[slot]);
            }
        }
        poolEntries(PayoutKind::BracketQuinella, 3, w, s.bracketTotal, pops);
    }
    {
        std::vector<std::pair<std::vector<int>, std::int64_t>> w;
        std::vector<int> pops;
        for (const auto& [a, b] : topPairs) {
            const auto slot = static_cast<std::size_t>(quinellaPairSlot(a->number, b->number));
            w.push_back({{a->number, b->number}, s.quinellaVotes[slot]});
            pops.push_back(s.quinellaPop[slot]);
        }
        poolEntries(PayoutKind::Quinella, 3, w, s.quinellaTotal, pops);
    }

    // Pools without announced odds: priced from Harville's chances of the closing view.
    const std::size_t n = field.size();
    std::vector<Candidate> wide, exacta, trio, trifecta, bracketExacta;
    std::map<std::pair<int, int>, std::size_t> wideAt, bracketAt;
    std::map<std::array<int, 3>, std::size_t> trioAt;
    for (std::size_t a = 0; a < n; ++a) {
        const double pa = field[a].chance;
        for (std::size_t b = 0; b < n; ++b) {
            if (b == a) {
                continue;
            }
            const double pb = field[b].chance;
            const double pab = pa * pb / std::max(1e-9, 1.0 - pa);
            Candidate ex;
            ex.numbers = {field[a].number, field[b].number, 0};
            ex.count = 2;
            ex.chance = pab;
            ex.wins = winsOrdered({&field[a], &field[b]}, field);
            exacta.push_back(ex);
            const std::pair<int, int> bk{field[a].bracket, field[b].bracket};
            auto [bit, fresh] = bracketAt.try_emplace(bk, bracketExacta.size());
            if (fresh) {
                Candidate be;
                be.numbers = {bk.first, bk.second, 0};
                be.count = 2;
                bracketExacta.push_back(be);
            }
            bracketExacta[bit->second].chance += pab;
            bracketExacta[bit->second].wins = bracketExacta[bit->second].wins || ex.wins;
            for (std::size_t c = 0; c < n; ++c) {
                if (c == a || c == b) {
                    continue;
                }
                const double pabc = pab * field[c].chance / std::max(1e-9, 1.0 - pa - pb);
                Candidate tf;
                tf.numbers = {field[a].number, field[b].number, field[c].number};
                tf.count = 3;
                tf.chance = pabc;
                tf.wins = winsOrdered({&field[a], &field[b], &field[c]}, field);
                trifecta.push_back(tf);
                std::array<int, 3> sorted = tf.numbers;
                std::sort(sorted.begin(), sorted.end());
                auto [tit, tfresh] = trioAt.try_emplace(sorted, trio.size());
                if (tfresh) {
                    Candidate t;
                    t.numbers = sorted;
                    t.count = 3;
                    trio.push_back(t);
                }
                trio[tit->second].chance += pabc;
                for (auto pair : {std::pair{sorted[0], sorted[1]}, std::pair{sorted[0], sorted[2]}, std::pair{sorted[1], sorted[2]}}) {
                    auto [wit, wfresh] = wideAt.try_emplace(pair, wide.size());
                    if (wfresh) {
                        Candidate wd;
                        wd.numbers = {pair.first, pair.second, 0};
                        wd.count = 2;
                        wide.push_back(wd);
                    }
                    wide[wit->second].chance += pabc;
                }
            }
        }
    }
    auto finishOf = [&](int horse) {
        for (const auto& r : field) {
            if (r.number == horse) {
                return r.finish;
            }
        }
        return 99;
    };
    for (auto& t : trio) {
        std::vector<const Runner*> combo;
        for (int h : t.numbers) {
            for (const auto& r : field) {
                if (r.number == h) {
                    combo.push_back(&r);
                }
            }
        }
        t.wins = winsUnordered(combo, field, 3);
    }
    for (auto& w : wide) {
        w.wins = finishOf(w.numbers[0]) <= 3 && finishOf(w.numbers[1]) <= 3;
    }
    const std::uint64_t seed = mixSeed(race.seed, "payouts");
    auto priced = [&](std::vector<Candidate>& all, int kind) {
        for (auto& c : all) {
            c.chance /= wobble(seed, c.numbers, kind);
        }
        std::sort(all.begin(), all.end(), [](const Candidate& x, const Candidate& y) {
            return x.numbers < y.numbers;
        });
    };
    priced(wide, 1);
    priced(bracketExacta, 2);
    priced(exacta, 3);
    priced(trio, 4);
    priced(trifecta, 5);
    emit(PayoutKind::Wide, wide, 0.75, 7, out);
    emit(PayoutKind::BracketExacta, bracketExacta, 0.75, 3, out);
    emit(PayoutKind::Exacta, exacta, 0.75, 6, out);
    emit(PayoutKind::Trio, trio, 0.75, 3, out);
    emit(PayoutKind::Trifecta, trifecta, 0.75, 6, out);
    return out;
}

} // namespace tidemark::nvsim
