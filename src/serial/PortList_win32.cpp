#include "serial/PortList.h"

#include <algorithm>
#include <windows.h>

std::vector<std::string> ListSerialPorts() {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "hardware\\devicemap\\serialcomm", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return names;
    DWORD count = 0;
    DWORD maxName = 0;
    DWORD maxData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &maxName, &maxData, nullptr, nullptr) == ERROR_SUCCESS) {
        std::string name(maxName + 1, '\0');
        std::string data(maxData + 1, '\0');
        for (DWORD i = 0; i < count; ++i) {
            DWORD nameLen = maxName + 1;
            DWORD dataLen = maxData;
            DWORD type = 0;
            if (RegEnumValueA(key, i, name.data(), &nameLen, nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &dataLen) != ERROR_SUCCESS ||
                type != REG_SZ)
                continue;
            // The stored string may or may not carry its terminating zero.
            const std::string port(data.data(), strnlen(data.data(), dataLen));
            if (!port.empty())
                names.push_back(port);
        }
    }
    RegCloseKey(key);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<TPortInfo> ListSerialPortInfo() {
    std::vector<TPortInfo> ports;
    for (std::string& name : ListSerialPorts())
        ports.push_back({std::move(name), {}});
    return ports;
}
