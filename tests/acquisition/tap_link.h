#pragma once
// Passes every call on to another data service and notes it; can end the stored-data
// read early, as if the service had no more records, to build the store a faulted
// transfer should leave behind.

#include <string>
#include <vector>

#include "service/nv_link.h"

namespace tidemark::testing {

class TapLink : public NvLink {
public:
    explicit TapLink(NvLink& inner) : m_inner(inner) {}

    // After this many NVGets calls every further one answers 0 (the end); -1: never.
    int getsLimit = -1;
    std::vector<std::string> calls;
    std::vector<std::string> realtimeRequests; // "0B41 <race key>" of every NVRTOpen
    int opens = 0;
    int closes = 0;

    int NVInit(std::string_view id) override { return m_inner.NVInit(id); }
    int NVSetUIProperties() override { return m_inner.NVSetUIProperties(); }
    int NVOpen(std::string_view spec, std::string_view from, int option, int& rc, int& dc, std::string& stamp) override
    {
        calls.push_back("NVOpen");
        ++opens;
        return m_inner.NVOpen(spec, from, option, rc, dc, stamp);
    }
    int NVStatus() override
    {
        calls.push_back("NVStatus");
        return m_inner.NVStatus();
    }
    int NVGets(std::string& buffer, int size, std::string& fileName) override
    {
        calls.push_back("NVGets");
        if (getsLimit >= 0 && m_gets++ >= getsLimit)
            return 0;
        return m_inner.NVGets(buffer, size, fileName);
    }
    int NVRead(std::string& record, int size, std::string& fileName) override
    {
        calls.push_back("NVRead");
        return m_inner.NVRead(record, size, fileName);
    }
    int NVRTOpen(std::string_view spec, std::string_view key) override
    {
        calls.push_back("NVRTOpen");
        realtimeRequests.push_back(std::string(spec) + " " + std::string(key));
        ++opens;
        return m_inner.NVRTOpen(spec, key);
    }
    int NVClose() override
    {
        calls.push_back("NVClose");
        ++closes;
        return m_inner.NVClose();
    }
    void NVCancel() override
    {
        calls.push_back("NVCancel");
        m_inner.NVCancel();
    }

private:
    NvLink& m_inner;
    int m_gets = 0;
};

} // namespace tidemark::testing
