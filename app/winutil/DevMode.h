// Printer settings blocks: DEVMODE byte buffers and DEVNAMES names.
#pragma once

#include "app/winutil/GlobalHandle.h"
#include "app/winutil/Platform.h"

#include <optional>
#include <string>
#include <vector>

namespace WinUtil {

// A DEVMODE held as bytes: the public part and the driver's private bytes after it.
class DevMode {
public:
    // The size of the public part.
    static constexpr WORD PublicSize = sizeof(DEVMODEW);

    // A blank one: dmSize 220, the given dmDriverExtra, zeroed driver bytes.
    explicit DevMode(WORD driverExtra = 0);
    // A copy of dmSize + dmDriverExtra bytes from the pointer.
    explicit DevMode(const DEVMODEW* source);
    // A copy out of a global block; empty when the block is smaller than 220 bytes or than its own sizes say.
    static std::optional<DevMode> FromGlobal(HGLOBAL block);

    // A copy in a new GMEM_MOVEABLE | GMEM_ZEROINIT block.
    GlobalHandle ToGlobal() const;
    // The structure.
    DEVMODEW* Get() { return reinterpret_cast<DEVMODEW*>(bytes_.data()); }
    const DEVMODEW* Get() const { return reinterpret_cast<const DEVMODEW*>(bytes_.data()); }
    // The whole size, public part and driver bytes.
    size_t Size() const { return bytes_.size(); }

private:
    std::vector<BYTE> bytes_;
};

// The device, driver and output names of a DEVNAMES block.
struct DevNames {
    std::wstring device;
    std::wstring driver;
    std::wstring output;
    bool isDefault = false;

    // Reads a block; empty when an offset points outside it or a name lacks its terminator.
    static std::optional<DevNames> FromGlobal(HGLOBAL block);
    // Builds a block: the driver at offset 4 characters, then the device and the output, each terminated.
    static GlobalHandle CreateHandle(const std::wstring& device, const std::wstring& driver,
                                     const std::wstring& output);
};

} // namespace WinUtil
