#include "nvcom/com_nv_link.h"

#include <windows.h>
#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "text/cp932.h"

namespace tidemark::nvcom {

namespace {

// What an argument is to us; how it travels is up to the component's declaration.
enum class Role {
    InText,   // a text the call reads (service id, data spec, time, key)
    InInt,    // a number the call reads (option, buffer size)
    InOutInt, // a number the call reads and may change (NVRead's size)
    OutInt,   // a number the call gives back (read and download counts)
    OutText,  // a text the call gives back (time stamp, file name, NVRead's record)
    Buffer,   // NVGets' record buffer: bytes or a text
};

struct Arg {
    Role role;
    std::string text; // CP932
    int value = 0;
};

// One declared parameter: its type without the pointer, and whether it is passed by reference.
struct Declared {
    VARTYPE vt = VT_EMPTY;
    bool byref = false;
};

struct Shape {
    std::vector<Declared> params; // without [retval] and [lcid]
    VARTYPE result = VT_I4;
    bool usable = true;
};

enum CallIndex { kInit, kSetUI, kOpen, kStatus, kGets, kRead, kRTOpen, kClose, kCancel, kCallCount };

constexpr std::array<const wchar_t*, kCallCount> kCallNames{
    L"NVInit", L"NVSetUIProperties", L"NVOpen", L"NVStatus", L"NVGets",
    L"NVRead", L"NVRTOpen", L"NVClose", L"NVCancel",
};

constexpr std::array<const char*, kCallCount> kCallNamesA{
    "NVInit", "NVSetUIProperties", "NVOpen", "NVStatus", "NVGets", "NVRead", "NVRTOpen", "NVClose", "NVCancel",
};

// The shapes the component's documentation implies, for a component that describes
// nothing: texts in as BSTR, numbers as long, outputs by reference, the record buffer
// of NVGets a VARIANT (a byte array comes back in it).
Shape fallbackShape(int call)
{
    const Declared text{VT_BSTR, false}, number{VT_I4, false}, outText{VT_BSTR, true}, outNumber{VT_I4, true},
        variant{VT_VARIANT, true};
    Shape s;
    switch (call) {
    case kInit: s.params = {text}; break;
    case kOpen: s.params = {text, text, number, outNumber, outNumber, outText}; break;
    case kGets: s.params = {variant, number, outText}; break;
    case kRead: s.params = {outText, outNumber, outText}; break;
    case kRTOpen: s.params = {text, text}; break;
    case kCancel: s.result = VT_VOID; break;
    default: break;
    }
    return s;
}

std::string hresultText(HRESULT hr)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(hr));
    return buf;
}

std::u16string utf16Of(BSTR b)
{
    if (!b)
        return {};
    return std::u16string(reinterpret_cast<const char16_t*>(b), SysStringLen(b));
}

BSTR bstrOf(std::string_view cp932)
{
    const std::u16string u = text::toUtf16(cp932);
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(u.data()), static_cast<UINT>(u.size()));
}

// The numbers a declared integer type can hold, for sizes passed to a component that
// declares a narrower type than the value: a buffer size is a capacity, so the largest
// value the type holds is a safe stand-in for a larger one.
void rangeOf(VARTYPE vt, long long& lo, long long& hi)
{
    switch (vt) {
    case VT_I1: lo = -128, hi = 127; break;
    case VT_UI1: lo = 0, hi = 255; break;
    case VT_I2: lo = -32768, hi = 32767; break;
    case VT_UI2: lo = 0, hi = 65535; break;
    case VT_UI4:
    case VT_UINT: lo = 0, hi = 0xFFFFFFFFll; break;
    default: lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max(); break;
    }
}

bool isByteArray(VARTYPE vt) { return vt == (VT_ARRAY | VT_UI1) || vt == (VT_ARRAY | VT_I1); }

// Resolves a parameter's type description to the type passed: a pointer is by reference,
// an alias is its aliased type, an enumeration a long, a SAFEARRAY an array of its element.
bool declaredOf(ITypeInfo* info, const TYPEDESC& desc, Declared& out)
{
    const TYPEDESC* t = &desc;
    out.byref = false;
    if (t->vt == VT_PTR) {
        out.byref = true;
        t = t->lptdesc;
    }
    if (!t)
        return false;
    VARTYPE vt = t->vt;
    if (vt == VT_USERDEFINED && info) {
        ITypeInfo* ref = nullptr;
        if (FAILED(info->GetRefTypeInfo(t->hreftype, &ref)) || !ref)
            return false;
        TYPEATTR* attr = nullptr;
        bool ok = false;
        if (SUCCEEDED(ref->GetTypeAttr(&attr)) && attr) {
            if (attr->typekind == TKIND_ENUM) {
                vt = VT_I4, ok = true;
            } else if (attr->typekind == TKIND_ALIAS && attr->tdescAlias.vt != VT_USERDEFINED &&
                       attr->tdescAlias.vt != VT_PTR) {
                vt = attr->tdescAlias.vt;
                if (vt == VT_SAFEARRAY)
                    vt = attr->tdescAlias.lptdesc ? (VT_ARRAY | attr->tdescAlias.lptdesc->vt) : VT_EMPTY;
                ok = vt != VT_EMPTY;
            }
            ref->ReleaseTypeAttr(attr);
        }
        ref->Release();
        if (!ok)
            return false;
    } else if (vt == VT_SAFEARRAY) {
        if (!t->lptdesc)
            return false;
        vt = VT_ARRAY | t->lptdesc->vt;
    }
    if (vt == VT_PTR || vt == VT_USERDEFINED)
        return false;
    out.vt = vt;
    return true;
}

// A function's parameters as declared. The dispatch view lists what Invoke takes; an
// interface view still lists the [retval] parameter and returns an HRESULT.
Shape shapeOf(ITypeInfo* info, const FUNCDESC& f)
{
    Shape s;
    for (SHORT i = 0; i < f.cParams; ++i) {
        const ELEMDESC& e = f.lprgelemdescParam[i];
        const USHORT flags = e.paramdesc.wParamFlags;
        if (flags & PARAMFLAG_FLCID)
            continue;
        Declared d;
        if (!declaredOf(info, e.tdesc, d)) {
            s.usable = false;
            continue;
        }
        if (flags & PARAMFLAG_FRETVAL) {
            s.result = d.vt;
            continue;
        }
        s.params.push_back(d);
    }
    const VARTYPE r = f.elemdescFunc.tdesc.vt;
    if (r != VT_HRESULT)
        s.result = r == VT_PTR || r == VT_USERDEFINED ? VARTYPE{VT_VARIANT} : r;
    return s;
}

// Looks for the function `id` in `info`, the types it derives from, and (for a dual
// interface) its interface view.
bool findShape(ITypeInfo* info, DISPID id, Shape& out, int depth = 0)
{
    if (!info || depth > 4)
        return false;
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr)) || !attr)
        return false;
    const WORD funcs = attr->cFuncs;
    const WORD impls = attr->cImplTypes;
    const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(attr);
    for (WORD i = 0; i < funcs; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(info->GetFuncDesc(i, &f)) || !f)
            continue;
        const bool match = f->memid == id && f->invkind == INVOKE_FUNC;
        if (match)
            out = shapeOf(info, *f);
        info->ReleaseFuncDesc(f);
        if (match)
            return true;
    }
    auto follow = [&](UINT index) {
        HREFTYPE h = 0;
        ITypeInfo* ref = nullptr;
        if (FAILED(info->GetRefTypeOfImplType(index, &h)) || FAILED(info->GetRefTypeInfo(h, &ref)) || !ref)
            return false;
        const bool found = findShape(ref, id, out, depth + 1);
        ref->Release();
        return found;
    };
    if (dual && follow(static_cast<UINT>(-1)))
        return true;
    for (WORD j = 0; j < impls; ++j)
        if (follow(j))
            return true;
    return false;
}

struct CallInfo {
    bool looked = false;
    HRESULT lookup = S_OK; // GetIDsOfNames
    DISPID id = DISPID_UNKNOWN;
    Shape shape;
};

} // namespace

struct ComNvLink::Impl {
    FaultReport onFault;
    bool pumpMessages = false;
    bool uninitialize = false;
    HRESULT createResult = E_FAIL;
    IDispatch* disp = nullptr;
    ITypeInfo* info = nullptr;
    bool infoLooked = false;
    std::array<CallInfo, kCallCount> calls{};

    int fail(int call, int code, const std::string& why, HRESULT hr)
    {
        if (onFault)
            onFault(text::sj("NV-Link（") + kCallNamesA[static_cast<std::size_t>(call)] + text::sj("）：") + why +
                    text::sj("（HRESULT ") + hresultText(hr) + text::sj("）") + "(" + std::to_string(code) + ")");
        return code;
    }

    ITypeInfo* typeInfo()
    {
        if (!infoLooked) {
            infoLooked = true;
            UINT count = 0;
            if (SUCCEEDED(disp->GetTypeInfoCount(&count)) && count > 0)
                if (FAILED(disp->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)))
                    info = nullptr;
        }
        return info;
    }

    CallInfo& lookUp(int call)
    {
        CallInfo& c = calls[static_cast<std::size_t>(call)];
        if (c.looked)
            return c;
        c.looked = true;
        std::wstring name = kCallNames[static_cast<std::size_t>(call)];
        LPOLESTR names[1] = {name.data()};
        c.lookup = disp->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &c.id);
        if (FAILED(c.lookup))
            return c;
        if (!findShape(typeInfo(), c.id, c.shape))
            c.shape = fallbackShape(call);
        return c;
    }

    // Puts `arg` into `v` as type `d.vt`; false when that type cannot carry it.
    static bool fill(const Arg& arg, const Declared& d, VARIANT& v)
    {
        const bool textual = arg.role == Role::InText || arg.role == Role::OutText || arg.role == Role::Buffer;
        const bool input = arg.role == Role::InText || arg.role == Role::InInt || arg.role == Role::InOutInt;
        if (textual) {
            if (d.vt == VT_VARIANT || d.vt == VT_BSTR) {
                if (arg.role == Role::InText) {
                    v.vt = VT_BSTR;
                    v.bstrVal = bstrOf(arg.text);
                } else if (d.vt == VT_BSTR) {
                    v.vt = VT_BSTR;
                    v.bstrVal = nullptr; // an empty text
                }
                return true;
            }
            if (isByteArray(d.vt)) {
                v.vt = d.vt;
                v.parray = nullptr;
                if (arg.role == Role::InText) {
                    v.parray = SafeArrayCreateVector(static_cast<VARTYPE>(d.vt & ~VT_ARRAY), 0,
                                                     static_cast<ULONG>(arg.text.size()));
                    if (!v.parray)
                        return false;
                    void* data = nullptr;
                    if (SUCCEEDED(SafeArrayAccessData(v.parray, &data))) {
                        if (!arg.text.empty())
                            std::memcpy(data, arg.text.data(), arg.text.size());
                        SafeArrayUnaccessData(v.parray);
                    }
                }
                return true;
            }
            return false;
        }
        long long lo = 0, hi = 0;
        rangeOf(d.vt, lo, hi);
        VARIANT n;
        VariantInit(&n);
        n.vt = VT_I4;
        n.lVal = input ? static_cast<LONG>(std::clamp<long long>(arg.value, lo, hi)) : 0;
        if (d.vt == VT_VARIANT || d.vt == VT_I4) {
            v = n;
            return true;
        }
        return SUCCEEDED(VariantChangeType(&v, &n, 0, d.vt));
    }

    // The bytes a returned value carries: a text as its CP932 bytes, a byte array as it is.
    static bool bytesOf(const VARIANT& v, std::string& out)
    {
        const VARIANT* p = &v;
        if (p->vt == (VT_BYREF | VT_VARIANT) && p->pvarVal)
            p = p->pvarVal;
        if (p->vt == VT_EMPTY || p->vt == VT_NULL) {
            out.clear();
            return true;
        }
        if (p->vt == VT_BSTR) {
            out = text::fromUtf16(utf16Of(p->bstrVal));
            return true;
        }
        if (isByteArray(p->vt)) {
            out.clear();
            SAFEARRAY* a = p->parray;
            if (!a)
                return true;
            if (SafeArrayGetDim(a) != 1)
                return false;
            LONG lo = 0, hi = -1;
            SafeArrayGetLBound(a, 1, &lo);
            SafeArrayGetUBound(a, 1, &hi);
            if (hi < lo)
                return true;
            void* data = nullptr;
            if (FAILED(SafeArrayAccessData(a, &data)))
                return false;
            out.assign(static_cast<const char*>(data), static_cast<std::size_t>(hi - lo + 1));
            SafeArrayUnaccessData(a);
            return true;
        }
        VARIANT t;
        VariantInit(&t);
        if (FAILED(VariantChangeType(&t, const_cast<VARIANT*>(p), 0, VT_BSTR)))
            return false;
        out = text::fromUtf16(utf16Of(t.bstrVal));
        VariantClear(&t);
        return true;
    }

    static bool numberOf(const VARIANT& v, int& out)
    {
        VARIANT t;
        VariantInit(&t);
        if (FAILED(VariantChangeType(&t, const_cast<VARIANT*>(&v), 0, VT_I4)))
            return false;
        out = static_cast<int>(t.lVal);
        return true;
    }

    // One call: arguments shaped as declared, outputs read back into `args`.
    int invoke(int call, std::vector<Arg>& args)
    {
        if (!disp)
            return fail(call, kComNotCreated, text::sj("コンポーネントを作成できません。"), createResult);
        CallInfo& c = lookUp(call);
        if (FAILED(c.lookup))
            return fail(call, kComNoSuchCall, text::sj("コンポーネントにこの呼び出しがありません。"), c.lookup);
        if (pumpMessages) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        const Shape& shape = c.shape;
        const std::size_t n = args.size();
        if (!shape.usable || shape.params.size() != n)
            return fail(call, kComUnusableDeclaration, text::sj("コンポーネントの引数の宣言に対応できません。"),
                        DISP_E_BADPARAMCOUNT);
        // Fixed size: byref arguments point into `store`.
        std::vector<VARIANT> store(n), passed(n);
        bool filled = true;
        for (std::size_t i = 0; i < n; ++i) {
            VariantInit(&store[i]);
            VariantInit(&passed[i]);
            const Declared& d = shape.params[i];
            if (!fill(args[i], d, store[i])) {
                filled = false;
                continue;
            }
            if (!d.byref) {
                passed[i] = store[i]; // a shallow copy: `store` keeps ownership
            } else if (d.vt == VT_VARIANT) {
                passed[i].vt = VT_BYREF | VT_VARIANT;
                passed[i].pvarVal = &store[i];
            } else {
                store[i].vt = d.vt; // an out-parameter's target carries its type even when empty
                passed[i].vt = static_cast<VARTYPE>(VT_BYREF | d.vt);
                passed[i].byref = &store[i].llVal; // the value's storage: every member starts here
            }
        }
        auto clearAll = [&] {
            for (VARIANT& v : store)
                VariantClear(&v);
        };
        if (!filled) {
            clearAll();
            return fail(call, kComUnusableDeclaration, text::sj("コンポーネントの引数の宣言に対応できません。"),
                        DISP_E_TYPEMISMATCH);
        }
        // Invoke takes its arguments last first.
        std::vector<VARIANT> reversed(passed.rbegin(), passed.rend());
        DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(n), 0};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO ex;
        std::memset(&ex, 0, sizeof ex);
        UINT argError = 0;
        const HRESULT hr = disp->Invoke(c.id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                        shape.result == VT_VOID ? nullptr : &result, &ex, &argError);
        if (hr == DISP_E_EXCEPTION) {
            if (ex.pfnDeferredFillIn)
                ex.pfnDeferredFillIn(&ex);
            std::string why = text::sj("コンポーネントが例外を返しました。");
            const std::string source = text::fromUtf16(utf16Of(ex.bstrSource));
            const std::string description = text::fromUtf16(utf16Of(ex.bstrDescription));
            if (!source.empty())
                why += source + ": ";
            why += description;
            const HRESULT code = ex.scode != 0 ? ex.scode : hr;
            SysFreeString(ex.bstrSource);
            SysFreeString(ex.bstrDescription);
            SysFreeString(ex.bstrHelpFile);
            clearAll();
            VariantClear(&result);
            return fail(call, kComException, why, code);
        }
        if (FAILED(hr)) {
            clearAll();
            VariantClear(&result);
            return fail(call, kComCallFailed, text::sj("呼び出しが失敗しました。"), hr);
        }
        bool readable = true;
        for (std::size_t i = 0; i < n; ++i) {
            Arg& a = args[i];
            if (!shape.params[i].byref)
                continue;
            if (a.role == Role::OutInt || a.role == Role::InOutInt)
                readable = numberOf(store[i], a.value) && readable;
            else if (a.role == Role::OutText || a.role == Role::Buffer)
                readable = bytesOf(store[i], a.text) && readable;
        }
        int r = 0;
        if (shape.result != VT_VOID)
            readable = numberOf(result, r) && readable;
        clearAll();
        VariantClear(&result);
        if (!readable)
            return fail(call, kComBadAnswer, text::sj("コンポーネントの応答を読めません。"), DISP_E_TYPEMISMATCH);
        return r;
    }
};

ComNvLink::ComNvLink(FaultReport onFault, bool pumpMessages) : m(std::make_unique<Impl>())
{
    m->onFault = std::move(onFault);
    m->pumpMessages = pumpMessages;
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // S_FALSE: this thread's apartment was already started; either way it is ours to leave.
    // RPC_E_CHANGED_MODE: the thread is in the multithreaded apartment, where COM hosts an
    // apartment component in a thread of its own and marshals the calls.
    m->uninitialize = SUCCEEDED(init);
    std::wstring progId(kProgId, kProgId + std::strlen(kProgId));
    CLSID clsid;
    m->createResult = CLSIDFromProgID(progId.c_str(), &clsid);
    if (SUCCEEDED(m->createResult))
        m->createResult = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                           reinterpret_cast<void**>(&m->disp));
    if (FAILED(m->createResult))
        m->disp = nullptr;
}

ComNvLink::~ComNvLink()
{
    if (m->info)
        m->info->Release();
    if (m->disp)
        m->disp->Release();
    if (m->uninitialize)
        CoUninitialize();
}

bool ComNvLink::created() const { return m->disp != nullptr; }

int ComNvLink::NVInit(std::string_view serviceId)
{
    std::vector<Arg> a{{Role::InText, std::string(serviceId)}};
    return m->invoke(kInit, a);
}

int ComNvLink::NVSetUIProperties()
{
    std::vector<Arg> a;
    return m->invoke(kSetUI, a);
}

int ComNvLink::NVOpen(std::string_view dataSpec, std::string_view fromTime, int option, int& readCount,
                      int& downloadCount, std::string& lastFileTimeStamp)
{
    std::vector<Arg> a{{Role::InText, std::string(dataSpec)},
                       {Role::InText, std::string(fromTime)},
                       {Role::InInt, {}, option},
                       {Role::OutInt, {}, 0},
                       {Role::OutInt, {}, 0},
                       {Role::OutText, {}}};
    const int r = m->invoke(kOpen, a);
    if (!isComCode(r)) {
        readCount = a[3].value;
        downloadCount = a[4].value;
        lastFileTimeStamp = a[5].text;
    }
    return r;
}

int ComNvLink::NVStatus()
{
    std::vector<Arg> a;
    return m->invoke(kStatus, a);
}

int ComNvLink::NVGets(std::string& buffer, int size, std::string& fileName)
{
    std::vector<Arg> a{{Role::Buffer, {}}, {Role::InInt, {}, size}, {Role::OutText, {}}};
    const int r = m->invoke(kGets, a);
    if (!isComCode(r)) {
        // A byte array may be the whole buffer; the record is its first r bytes.
        if (r > 0 && a[0].text.size() > static_cast<std::size_t>(r))
            a[0].text.resize(static_cast<std::size_t>(r));
        buffer = std::move(a[0].text);
        fileName = std::move(a[2].text);
    }
    return r;
}

int ComNvLink::NVRead(std::string& record, int size, std::string& fileName)
{
    std::vector<Arg> a{{Role::OutText, {}}, {Role::InOutInt, {}, size}, {Role::OutText, {}}};
    const int r = m->invoke(kRead, a);
    if (!isComCode(r)) {
        if (r > 0 && a[0].text.size() > static_cast<std::size_t>(r))
            a[0].text.resize(static_cast<std::size_t>(r));
        record = std::move(a[0].text);
        fileName = std::move(a[2].text);
    }
    return r;
}

int ComNvLink::NVRTOpen(std::string_view dataSpec, std::string_view key)
{
    std::vector<Arg> a{{Role::InText, std::string(dataSpec)}, {Role::InText, std::string(key)}};
    return m->invoke(kRTOpen, a);
}

int ComNvLink::NVClose()
{
    std::vector<Arg> a;
    return m->invoke(kClose, a);
}

void ComNvLink::NVCancel()
{
    std::vector<Arg> a;
    m->invoke(kCancel, a);
}

ComNvLinkFactory::ComNvLinkFactory(FaultReport onFault) : m_onFault(std::move(onFault)) {}

bool ComNvLinkFactory::installed() const
{
    // Created and released at once, as the start check does.
    return ComNvLink(nullptr).created();
}

std::unique_ptr<NvLink> ComNvLinkFactory::create() { return std::make_unique<ComNvLink>(m_onFault); }

} // namespace tidemark::nvcom
