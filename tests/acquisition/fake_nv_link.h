#pragma once
// A scripted data service: every answer of NVOpen, NVStatus, NVGets, NVRTOpen, NVRead
// and NVClose comes from a queue the test fills. It records every call and counts the
// protocol faults a caller can make (opening a second transfer while one is open,
// reading with nothing open), so tests see that each transfer is closed.

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "service/nv_link.h"

namespace tidemark::testing {

class FakeNvLink : public NvLink {
public:
    // One answer of NVGets or NVRead.
    struct Answer {
        int result = 0;
        std::string record; // CP932, with CR LF, for a positive result
    };
    static Answer rec(std::string record)
    {
        const int n = static_cast<int>(record.size());
        return {n, std::move(record)};
    }
    static Answer code(int result) { return {result, {}}; }

    // The answers to one real-time request.
    struct Request {
        int openResult = 0;
        std::deque<Answer> reads; // empty: the end (0) at once
    };

    // Stored-data channel.
    int openResult = 0;
    int readCount = 0;
    int downloadCount = 0;
    std::string timeStamp;
    std::deque<int> statuses;   // NVStatus answers; when used up: downloadCount
    std::deque<Answer> gets;    // NVGets answers; when used up: 0
    int setUiResult = 0;

    // Real-time channel: requests by spec + " " + key, answered in order; a request
    // without a script opens and ends at once.
    std::map<std::string, std::deque<Request>> realtime;
    void script(const std::string& spec, const std::string& key, Request request)
    {
        realtime[spec + " " + key].push_back(std::move(request));
    }

    std::deque<int> closeResults; // NVClose answers; when used up: 0

    // What happened.
    std::vector<std::string> calls; // "NVOpen RACE 20240115183000", "NVRTOpen 0B41 key", "NVClose" …
    int opens = 0;
    int closes = 0;
    int cancels = 0;
    int protocolFaults = 0;
    bool open = false;
    // Runs after each call is recorded (before it answers): lets a test act mid-transfer.
    std::function<void(const std::string& call)> onCall;

    int NVInit(std::string_view) override { return 0; }
    int NVSetUIProperties() override
    {
        note("NVSetUIProperties");
        return setUiResult;
    }
    int NVOpen(std::string_view dataSpec, std::string_view fromTime, int option, int& rc, int& dc,
               std::string& stamp) override
    {
        note("NVOpen " + std::string(dataSpec) + " " + std::string(fromTime) + " " + std::to_string(option));
        ++opens;
        if (open) {
            ++protocolFaults;
            return -202;
        }
        rc = readCount;
        dc = downloadCount;
        stamp = timeStamp;
        if (openResult == 0)
            open = true;
        m_current.reset();
        return openResult;
    }
    int NVStatus() override
    {
        note("NVStatus");
        if (!open)
            ++protocolFaults;
        if (statuses.empty())
            return downloadCount;
        const int s = statuses.front();
        statuses.pop_front();
        return s;
    }
    int NVGets(std::string& buffer, int, std::string& fileName) override
    {
        note("NVGets");
        if (!open)
            ++protocolFaults;
        return answer(gets, buffer, fileName);
    }
    int NVRead(std::string& record, int, std::string& fileName) override
    {
        note("NVRead");
        if (!open || !m_current) {
            ++protocolFaults;
            return -203;
        }
        return answer(m_current->reads, record, fileName);
    }
    int NVRTOpen(std::string_view dataSpec, std::string_view key) override
    {
        const std::string name = std::string(dataSpec) + " " + std::string(key);
        note("NVRTOpen " + name);
        ++opens;
        if (open) {
            ++protocolFaults;
            return -202;
        }
        Request request;
        auto it = realtime.find(name);
        if (it != realtime.end() && !it->second.empty()) {
            request = std::move(it->second.front());
            it->second.pop_front();
        }
        if (request.openResult != 0)
            return request.openResult;
        open = true;
        m_current = std::make_unique<Request>(std::move(request));
        return 0;
    }
    int NVClose() override
    {
        note("NVClose");
        ++closes;
        open = false;
        m_current.reset();
        if (closeResults.empty())
            return 0;
        const int r = closeResults.front();
        closeResults.pop_front();
        return r;
    }
    void NVCancel() override
    {
        note("NVCancel");
        ++cancels;
    }

    int count(const std::string& prefix) const
    {
        int n = 0;
        for (const auto& c : calls)
            n += c.rfind(prefix, 0) == 0 ? 1 : 0;
        return n;
    }

private:
    void note(std::string call)
    {
        calls.push_back(call);
        if (onCall)
            onCall(calls.back());
    }
    static int answer(std::deque<Answer>& queue, std::string& out, std::string& fileName)
    {
        if (queue.empty())
            return 0;
        Answer a = std::move(queue.front());
        queue.pop_front();
        if (a.result > 0) {
            out = std::move(a.record);
            fileName = "RACE.nvd";
        }
        return a.result;
    }

    std::unique_ptr<Request> m_current;
};

} // namespace tidemark::testing
