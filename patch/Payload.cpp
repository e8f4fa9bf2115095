#include "Payload.h"

#include "framework/Module.h"
#include "res/resource.h"

PayloadResult WritePayload(const CString& scriptPath, CHeldFile& script, DWORD& nWritten) {
    nWritten = 0;
    HINSTANCE hModule = AfxGetInstanceHandle();
    HRSRC hResource = ::FindResourceA(hModule, MAKEINTRESOURCEA(IDR_PAYLOAD), "RT_RCDATA");
    if (!hResource)
        return PayloadResult::MissingResource;
    HGLOBAL hData = ::LoadResource(hModule, hResource);
    const char* pBytes = hData ? static_cast<const char*>(::LockResource(hData)) : nullptr;
    const DWORD nBytes = ::SizeofResource(hModule, hResource);
    if (!pBytes)
        return PayloadResult::MissingResource;
    if (!script.Write(scriptPath, std::string(pBytes, nBytes)))
        return PayloadResult::CannotWrite;
    nWritten = nBytes;
    return PayloadResult::Written;
}
