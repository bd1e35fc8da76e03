#include "security_descriptor.h"

#include <iads.h>

#include <algorithm>

#include "adap_status.h"
#include "common/win_handles.h"

namespace velmo::adap {

namespace {

template <typename Interface>
struct ComTraits {
    using Handle = Interface*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { h->Release(); }
};

// The conversion object; the calling thread joins the multithreaded
// apartment unless it has chosen one already.
HRESULT CreateUtility(UniqueOwner<ComTraits<IADsSecurityUtility>>& utility) {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE) return init;
    return CoCreateInstance(CLSID_ADsSecurityUtility, nullptr, CLSCTX_INPROC_SERVER, IID_IADsSecurityUtility,
                            reinterpret_cast<void**>(utility.put()));
}

}  // namespace

uint32_t DescriptorObject(const std::function<uint32_t(std::vector<uint8_t>&)>& read, IDispatch** descriptor) {
    UniqueOwner<ComTraits<IADsSecurityUtility>> utility;
    if (const HRESULT hr = CreateUtility(utility); FAILED(hr)) return static_cast<uint32_t>(hr);
    std::vector<uint8_t> raw;
    if (const uint32_t status = read(raw); status != status::kOk) return status;
    VARIANT bytes, converted;
    VariantInit(&bytes);
    VariantInit(&converted);
    bytes.vt = VT_ARRAY | VT_UI1;
    bytes.parray = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(raw.size()));
    if (!bytes.parray) return status::kOutOfMemory;
    void* data = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(bytes.parray, &data))) {
        std::copy(raw.begin(), raw.end(), static_cast<uint8_t*>(data));
        SafeArrayUnaccessData(bytes.parray);
    }
    HRESULT hr = utility.get()->ConvertSecurityDescriptor(bytes, ADS_SD_FORMAT_RAW, ADS_SD_FORMAT_IID, &converted);
    VariantClear(&bytes);
    if (SUCCEEDED(hr) && converted.vt != VT_DISPATCH) hr = static_cast<HRESULT>(status::kCannotConvert);
    if (FAILED(hr)) {
        VariantClear(&converted);
        return static_cast<uint32_t>(hr);
    }
    *descriptor = converted.pdispVal;  // the caller's reference now
    return status::kOk;
}

uint32_t DescriptorBytes(IDispatch* descriptor, std::vector<uint8_t>& raw) {
    UniqueOwner<ComTraits<IADsSecurityUtility>> utility;
    if (const HRESULT hr = CreateUtility(utility); FAILED(hr)) return static_cast<uint32_t>(hr);
    VARIANT object, converted;
    VariantInit(&object);
    VariantInit(&converted);
    object.vt = VT_DISPATCH;
    object.pdispVal = descriptor;  // borrowed: not cleared
    HRESULT hr = utility.get()->ConvertSecurityDescriptor(object, ADS_SD_FORMAT_IID, ADS_SD_FORMAT_RAW, &converted);
    if (SUCCEEDED(hr) && converted.vt != (VT_ARRAY | VT_UI1)) hr = static_cast<HRESULT>(status::kCannotConvert);
    void* data = nullptr;
    if (SUCCEEDED(hr)) hr = SafeArrayAccessData(converted.parray, &data);
    if (SUCCEEDED(hr)) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        raw.assign(bytes, bytes + converted.parray->rgsabound[0].cElements);
        SafeArrayUnaccessData(converted.parray);
    }
    VariantClear(&converted);
    return static_cast<uint32_t>(hr);
}

}  // namespace velmo::adap
