// The stand-in data-service component, for tests only: an in-process COM server under the
// provider's ProgID that serves the simulated world (SimNvLink) through the nine calls,
// declared as its embedded type library says (variant A or B, see standin.idl).
//
// Where it reads its world: the folder in TIDEMARK_STANDIN_HOME (NVSim.ini there, with its
// [FaultN] sections for the component's own error codes), else the working folder.
// Faults of COM itself, from TIDEMARK_STANDIN_FAULT = "<call>:<hresult|exception>:<n>":
// from the n-th call of that name on, the call fails with an HRESULT (E_FAIL) or raises
// an exception (DISP_E_EXCEPTION with a filled EXCEPINFO).

#include <windows.h>
#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "nvsim/sim_nv_link_factory.h"
#include "text/cp932.h"

namespace {

// {F557CF50-CA23-46EE-A152-50090CB9E99A}, the coclass of standin.idl
constexpr CLSID kClsid{0xf557cf50, 0xca23, 0x46ee, {0xa1, 0x52, 0x50, 0x09, 0x0c, 0xb9, 0xe9, 0x9a}};
// {0211531B-D2A1-42EA-8F65-E84C4F3D6F9D}, INVLink
constexpr IID kIid{0x0211531b, 0xd2a1, 0x42ea, {0x8f, 0x65, 0xe8, 0x4c, 0x4f, 0x3d, 0x6f, 0x9d}};
constexpr const wchar_t* kClsidText = L"{F557CF50-CA23-46EE-A152-50090CB9E99A}";
constexpr const wchar_t* kProgId = L"NVDTLablib.NVLink";

HMODULE g_module = nullptr;

std::wstring modulePath()
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    return std::wstring(path, n);
}

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

BSTR bstrOf(const std::string& cp932)
{
    const std::u16string u = tidemark::text::toUtf16(cp932);
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(u.data()), static_cast<UINT>(u.size()));
}

std::string cp932Of(BSTR b)
{
    if (!b)
        return {};
    return tidemark::text::fromUtf16(std::u16string(reinterpret_cast<const char16_t*>(b), SysStringLen(b)));
}

[[maybe_unused]] void setVariantText(VARIANT* v, const std::string& cp932)
{
    VariantClear(v);
    v->vt = VT_BSTR;
    v->bstrVal = bstrOf(cp932);
}

// The record as a byte array: the bytes exactly as the provider sends them.
[[maybe_unused]] void setVariantBytes(VARIANT* v, const std::string& bytes)
{
    VariantClear(v);
    v->vt = VT_ARRAY | VT_UI1;
    v->parray = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    void* data = nullptr;
    if (v->parray && SUCCEEDED(SafeArrayAccessData(v->parray, &data))) {
        if (!bytes.empty())
            std::memcpy(data, bytes.data(), bytes.size());
        SafeArrayUnaccessData(v->parray);
    }
}

[[maybe_unused]] void setBstr(BSTR* b, const std::string& cp932)
{
    SysFreeString(*b);
    *b = bstrOf(cp932);
}

// The calls in the order of their DISPIDs (variant A: 1-9, B: 101-109, C: 201-209).
constexpr std::array<const char*, 9> kCalls{"NVInit", "NVSetUIProperties", "NVOpen", "NVStatus", "NVGets",
                                            "NVRead", "NVRTOpen", "NVClose", "NVCancel"};

// COM interfaces have no virtual destructor: objects end through Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

class StandIn final : public IDispatch {
public:
    StandIn(ITypeInfo* dispatchView, ITypeInfo* interfaceView)
        : m_dispatchView(dispatchView), m_interfaceView(interfaceView)
    {
        const std::string home = env("TIDEMARK_STANDIN_HOME");
        m_sim = tidemark::nvsim::SimNvLinkFactory(home.empty() ? std::filesystem::path(".")
                                                               : std::filesystem::path(home))
                    .create();
        // "<call>:<kind>:<n>"
        const std::string fault = env("TIDEMARK_STANDIN_FAULT");
        const auto a = fault.find(':');
        const auto b = a == std::string::npos ? a : fault.find(':', a + 1);
        if (b != std::string::npos) {
            m_faultCall = fault.substr(0, a);
            m_faultKind = fault.substr(a + 1, b - a - 1);
            m_faultAt = std::atoi(fault.c_str() + b + 1);
        }
    }
    // Not virtual: a virtual destructor would take vtable slots the type library gives
    // to the calls.
    ~StandIn()
    {
        m_dispatchView->Release();
        m_interfaceView->Release();
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, kIid)) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG n = InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
#ifdef STANDIN_C
        *count = 0; // a component that describes nothing
#else
        *count = 1;
#endif
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override
    {
#ifdef STANDIN_C
        *info = nullptr;
        return index == 0 ? E_NOTIMPL : DISP_E_BADINDEX;
#endif
        if (index != 0)
            return DISP_E_BADINDEX;
#ifdef STANDIN_B
        *info = m_interfaceView;
#else
        *info = m_dispatchView;
#endif
        (*info)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        return DispGetIDsOfNames(m_interfaceView, names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr) override
    {
        const int call = static_cast<int>(id % 100) - 1;
        if (call >= 0 && call < static_cast<int>(kCalls.size()) && m_faultCall == kCalls[static_cast<std::size_t>(call)] &&
            ++m_faultCount >= m_faultAt) {
            if (m_faultKind == "exception") {
                if (excep) {
                    std::memset(excep, 0, sizeof *excep);
                    excep->bstrSource = SysAllocString(L"NVDTLablib.NVLink");
                    excep->bstrDescription = SysAllocString(L"\u901a\u4fe1\u30a8\u30e9\u30fc"); // 通信エラー
                    excep->scode = static_cast<SCODE>(0x800A0BB8); // a component's own error number
                }
                return DISP_E_EXCEPTION;
            }
            return E_FAIL;
        }
        return DispInvoke(static_cast<IDispatch*>(this), m_interfaceView, id, flags, params, result, excep, argErr);
    }

    // INVLink, in the order standin.idl declares it
#if defined(STANDIN_C)
    virtual HRESULT STDMETHODCALLTYPE NVInit(BSTR sid, LONG* r)
    {
        *r = m_sim->NVInit(cp932Of(sid));
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVSetUIProperties(LONG* r)
    {
        *r = m_sim->NVSetUIProperties();
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVOpen(BSTR spec, BSTR from, LONG option, LONG* readCount,
                                             LONG* downloadCount, BSTR* stamp, LONG* r)
    {
        int reads = 0, downloads = 0;
        std::string last;
        *r = m_sim->NVOpen(cp932Of(spec), cp932Of(from), option, reads, downloads, last);
        *readCount = reads;
        *downloadCount = downloads;
        setBstr(stamp, last);
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVStatus(LONG* r)
    {
        *r = m_sim->NVStatus();
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVGets(VARIANT* buff, LONG size, BSTR* fileName, LONG* r)
    {
        std::string record, file;
        *r = m_sim->NVGets(record, size, file);
        setVariantBytes(buff, record);
        setBstr(fileName, file);
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVRead(BSTR* buff, LONG* size, BSTR* fileName, LONG* r)
    {
        std::string record, file;
        *r = m_sim->NVRead(record, *size, file);
        setBstr(buff, record);
        setBstr(fileName, file);
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVRTOpen(BSTR spec, BSTR key, LONG* r)
    {
        *r = m_sim->NVRTOpen(cp932Of(spec), cp932Of(key));
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVClose(LONG* r)
    {
        *r = m_sim->NVClose();
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVCancel()
    {
        m_sim->NVCancel();
        return S_OK;
    }
#elif !defined(STANDIN_B)
    virtual HRESULT STDMETHODCALLTYPE NVInit(BSTR sid, LONG* r)
    {
        *r = m_sim->NVInit(cp932Of(sid));
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVSetUIProperties(LONG* r)
    {
        *r = m_sim->NVSetUIProperties();
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVOpen(BSTR spec, BSTR from, LONG option, VARIANT* readCount,
                                             VARIANT* downloadCount, VARIANT* stamp, LONG* r)
    {
        int reads = 0, downloads = 0;
        std::string last;
        *r = m_sim->NVOpen(cp932Of(spec), cp932Of(from), option, reads, downloads, last);
        VariantClear(readCount);
        readCount->vt = VT_I4;
        readCount->lVal = reads;
        VariantClear(downloadCount);
        downloadCount->vt = VT_I4;
        downloadCount->lVal = downloads;
        setVariantText(stamp, last);
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVStatus(LONG* r)
    {
        *r = m_sim->NVStatus();
        return S_OK;
    }
    // The record as a byte array: the bytes exactly as the provider sends them.
    virtual HRESULT STDMETHODCALLTYPE NVGets(VARIANT* buff, LONG size, VARIANT* fileName, LONG* r)
    {
        std::string record, file;
        *r = m_sim->NVGets(record, size, file);
        setVariantBytes(buff, record);
        setVariantText(fileName, file);
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVRead(VARIANT* buff, LONG* size, VARIANT* fileName, LONG* r)
    {
        std::string record, file;
        *r = m_sim->NVRead(record, *size, file);
        setVariantText(buff, record);
        setVariantText(fileName, file);
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVRTOpen(BSTR spec, BSTR key, LONG* r)
    {
        *r = m_sim->NVRTOpen(cp932Of(spec), cp932Of(key));
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVClose(LONG* r)
    {
        *r = m_sim->NVClose();
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVCancel()
    {
        m_sim->NVCancel();
        return S_OK;
    }
#else
    virtual HRESULT STDMETHODCALLTYPE NVCancel()
    {
        m_sim->NVCancel();
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVClose(LONG* r)
    {
        *r = m_sim->NVClose();
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVRTOpen(BSTR spec, BSTR key, LONG* r)
    {
        *r = m_sim->NVRTOpen(cp932Of(spec), cp932Of(key));
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVRead(BSTR* buff, SHORT* size, BSTR* fileName, LONG* r)
    {
        std::string record, file;
        *r = m_sim->NVRead(record, *size, file);
        setBstr(buff, record);
        setBstr(fileName, file);
        return S_OK;
    }
    // The record as a text: it reaches the caller as UTF-16.
    virtual HRESULT STDMETHODCALLTYPE NVGets(BSTR* buff, SHORT size, BSTR* fileName, LONG* r)
    {
        std::string record, file;
        *r = m_sim->NVGets(record, size, file);
        setBstr(buff, record);
        setBstr(fileName, file);
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVStatus(LONG* r)
    {
        *r = m_sim->NVStatus();
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVOpen(BSTR spec, BSTR from, SHORT option, LONG* readCount,
                                             LONG* downloadCount, BSTR* stamp, LONG* r)
    {
        int reads = 0, downloads = 0;
        std::string last;
        *r = m_sim->NVOpen(cp932Of(spec), cp932Of(from), option, reads, downloads, last);
        *readCount = reads;
        *downloadCount = downloads;
        setBstr(stamp, last);
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVSetUIProperties(LONG* r)
    {
        *r = m_sim->NVSetUIProperties();
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE NVInit(BSTR sid, LONG* r)
    {
        *r = m_sim->NVInit(cp932Of(sid));
        return S_OK;
    }
#endif

private:
    LONG m_refs = 1;
    ITypeInfo* m_dispatchView;
    ITypeInfo* m_interfaceView;
    std::unique_ptr<tidemark::NvLink> m_sim;
    std::string m_faultCall, m_faultKind;
    int m_faultAt = 0;
    int m_faultCount = 0;
};

// The two views of INVLink from the type library embedded in this DLL.
HRESULT loadViews(ITypeInfo** dispatchView, ITypeInfo** interfaceView)
{
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLibEx(modulePath().c_str(), REGKIND_NONE, &lib);
    if (FAILED(hr))
        return hr;
    ITypeInfo* info = nullptr;
    hr = lib->GetTypeInfoOfGuid(kIid, &info);
    lib->Release();
    if (FAILED(hr))
        return hr;
    HREFTYPE ref = 0;
    ITypeInfo* other = nullptr;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) && SUCCEEDED(info->GetRefTypeInfo(ref, &other))) {
        *dispatchView = info;
        *interfaceView = other;
        return S_OK;
    }
    // The library gave the interface view: its dispatch view is not needed apart.
    info->AddRef();
    *dispatchView = info;
    *interfaceView = info;
    return S_OK;
}

class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        ITypeInfo* dispatchView = nullptr;
        ITypeInfo* interfaceView = nullptr;
        const HRESULT hr = loadViews(&dispatchView, &interfaceView);
        if (FAILED(hr))
            return hr;
        StandIn* object = new StandIn(dispatchView, interfaceView);
        const HRESULT q = object->QueryInterface(riid, ppv);
        object->Release();
        return q;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

#pragma GCC diagnostic pop

Factory g_factory;

bool setKey(const std::wstring& key, const wchar_t* name, const std::wstring& value)
{
    HKEY h = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG r = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!IsEqualCLSID(clsid, kClsid))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

// Registers this DLL under the provider's ProgID; the variant registered last is the one created.
__declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer()
{
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
    const bool ok = setKey(clsidKey + L"\\InprocServer32", nullptr, modulePath()) &&
                    setKey(clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
                    setKey(clsidKey + L"\\ProgID", nullptr, kProgId) &&
                    setKey(std::wstring(kProgId) + L"\\CLSID", nullptr, kClsidText);
    return ok ? S_OK : SELFREG_E_CLASS;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kClsidText).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    return S_OK;
}

} // extern "C"
