#include "app/winutil/DevMode.h"

#include <cstddef>
#include <cstring>
#include <stdexcept>

namespace WinUtil {

static_assert(sizeof(DEVMODEW) == 220);
static_assert(sizeof(DEVNAMES) == 4 * sizeof(wchar_t));

DevMode::DevMode(WORD driverExtra) : bytes_(PublicSize + size_t{driverExtra}, 0) {
    Get()->dmSize = PublicSize;
    Get()->dmDriverExtra = driverExtra;
}

DevMode::DevMode(const DEVMODEW* source) {
    size_t size = size_t{source->dmSize} + source->dmDriverExtra;
    // Keep at least the public part so that every field can be read.
    bytes_.assign(std::max<size_t>(size, PublicSize), 0);
    std::memcpy(bytes_.data(), source, size);
}

std::optional<DevMode> DevMode::FromGlobal(HGLOBAL block) {
    GlobalLock lock(block);
    if (!lock.Data() || lock.Size() < PublicSize) return std::nullopt;
    const auto* dm = static_cast<const DEVMODEW*>(lock.Data());
    if (dm->dmSize < offsetof(DEVMODEW, dmFields) ||
        size_t{dm->dmSize} + dm->dmDriverExtra > lock.Size())
        return std::nullopt;
    return DevMode(dm);
}

GlobalHandle DevMode::ToGlobal() const {
    return GlobalHandle::FromBytes(bytes_.data(), bytes_.size());
}

namespace {

// The terminated name at a character offset, or nothing when it leaves the block.
std::optional<std::wstring> NameAt(const wchar_t* chars, size_t count, WORD offset) {
    if (offset < 4 || offset >= count) return std::nullopt;
    size_t end = offset;
    while (end < count && chars[end] != L'\0') ++end;
    if (end == count) return std::nullopt;
    return std::wstring(chars + offset, end - offset);
}

} // namespace

std::optional<DevNames> DevNames::FromGlobal(HGLOBAL block) {
    GlobalLock lock(block);
    if (!lock.Data() || lock.Size() < sizeof(DEVNAMES)) return std::nullopt;
    const auto* dn = static_cast<const DEVNAMES*>(lock.Data());
    const auto* chars = static_cast<const wchar_t*>(lock.Data());
    size_t count = lock.Size() / sizeof(wchar_t);
    auto driver = NameAt(chars, count, dn->wDriverOffset);
    auto device = NameAt(chars, count, dn->wDeviceOffset);
    auto output = NameAt(chars, count, dn->wOutputOffset);
    if (!driver || !device || !output) return std::nullopt;
    DevNames names;
    names.device = *device;
    names.driver = *driver;
    names.output = *output;
    names.isDefault = (dn->wDefault & DN_DEFAULTPRN) != 0;
    return names;
}

GlobalHandle DevNames::CreateHandle(const std::wstring& device, const std::wstring& driver,
                                    const std::wstring& output) {
    size_t chars = 4 + driver.size() + 1 + device.size() + 1 + output.size() + 1;
    if (chars > 0xFFFF) throw std::length_error("DEVNAMES too long");
    GlobalHandle block = GlobalHandle::Allocate(chars * sizeof(wchar_t));
    GlobalLock lock(block.Get());
    auto* dn = static_cast<DEVNAMES*>(lock.Data());
    auto* text = static_cast<wchar_t*>(lock.Data());
    size_t at = 4;
    auto put = [&](const std::wstring& s) {
        WORD offset = static_cast<WORD>(at);
        std::memcpy(text + at, s.c_str(), (s.size() + 1) * sizeof(wchar_t));
        at += s.size() + 1;
        return offset;
    };
    dn->wDriverOffset = put(driver);
    dn->wDeviceOffset = put(device);
    dn->wOutputOffset = put(output);
    dn->wDefault = 0;
    return block;
}

} // namespace WinUtil
