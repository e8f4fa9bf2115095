#include "DynCalls.h"

#include "SystemDlls.h"

namespace {

template <typename Fn> void Look(Fn& fn, HMODULE hModule, const char* pszName) {
    fn = ProcOf<Fn>(hModule, pszName);
}

DynCalls LookUp() {
    DynCalls calls = {};
    const HMODULE hKernel = ::GetModuleHandleA("kernel32.dll");
    Look(calls.SetDefaultDllDirectories, hKernel, "SetDefaultDllDirectories");
    Look(calls.QueryFullProcessImageNameA, hKernel, "QueryFullProcessImageNameA");
    Look(calls.IsWow64Process, hKernel, "IsWow64Process");
    Look(calls.GetSystemWow64DirectoryA, hKernel, "GetSystemWow64DirectoryA");
    Look(calls.NtSetInformationFile, ::GetModuleHandleA("ntdll.dll"), "NtSetInformationFile");
    if (!calls.QueryFullProcessImageNameA)
        Look(calls.GetModuleFileNameExA, LoadSystemLibrary("psapi.dll"), "GetModuleFileNameExA");
    return calls;
}

} // namespace

const DynCalls& Dyn() {
    static const DynCalls calls = LookUp();
    return calls;
}
