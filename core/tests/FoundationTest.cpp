#include "core/foundation/Exception.h"
#include "core/foundation/Function.h"
#include "core/foundation/Iterator.h"
#include "core/foundation/Observer.h"
#include "core/foundation/UTF8.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <vector>

namespace {

// Walks a vector of elements; counts live implementations to catch leaks and double frees.
struct VectorImp : zq::IIteratorImp {
    static inline int alive = 0;
    const std::vector<Core::IModelElement*>* items;
    std::size_t index;
    VectorImp(const std::vector<Core::IModelElement*>* v, std::size_t i) : items(v), index(i) { ++alive; }
    ~VectorImp() override { --alive; }
    std::unique_ptr<zq::IIteratorImp> Clone() const override { return std::make_unique<VectorImp>(items, index); }
    bool IsEqual(const zq::IIteratorImp& o) const override { return index == static_cast<const VectorImp&>(o).index; }
    bool Next() override { return ++index < items->size(); }
    Core::IModelElement* Current() const override { return (*items)[index]; }
};

zq::Iterator Begin(const std::vector<Core::IModelElement*>& v) {
    return v.empty() ? zq::Iterator() : zq::Iterator(std::make_unique<VectorImp>(&v, 0));
}

struct IListener {
    virtual void Changed() = 0;
    virtual ~IListener() = default;
};

struct Listener : IListener {
    std::function<void()> action;
    int calls = 0;
    void Changed() override {
        ++calls;
        if (action) action();
    }
};

} // namespace

TEST(FoundationIterator, CopyAssignmentAndEndEquality) {
    // Only the addresses matter: the iterator never looks at the elements.
    int storage[2];
    auto* a = reinterpret_cast<Core::IModelElement*>(&storage[0]);
    auto* b = reinterpret_cast<Core::IModelElement*>(&storage[1]);
    std::vector<Core::IModelElement*> items{a, b};
    {
        zq::Iterator it = Begin(items);
        zq::Iterator copy = it;  // clones: advancing one leaves the other
        ++copy;
        EXPECT_EQ(*it, a);
        EXPECT_EQ(*copy, b);
        EXPECT_FALSE(it == copy);
        it = it;  // self-assignment keeps the implementation
        EXPECT_EQ(*it, a);
        it = copy;
        EXPECT_TRUE(it == copy);
        ++it;
        EXPECT_TRUE(it == zq::Iterator());  // an advanced-past-the-end iterator equals the end
        EXPECT_FALSE(copy == zq::Iterator());
        zq::Iterator end;
        zq::Iterator endCopy = end;
        EXPECT_TRUE(end == endCopy);
        copy = end;  // assigning an end drops the implementation
        EXPECT_TRUE(copy.IsEnd());
    }
    EXPECT_EQ(VectorImp::alive, 0);
    int n = 0;
    for (zq::Iterator it = Begin(items); !(it == zq::Iterator()); ++it) ++n;
    EXPECT_EQ(n, 2);
}

TEST(FoundationObserver, ObserverMayDetachItselfAndOthersDuringNotification) {
    zq::ObserverList<IListener> list;
    Listener first, second, third;
    zq::ObserverRegistration<IListener> r1(list, &first), r2(list, &second), r3(list, &third);
    first.action = [&] { r1.End(); r3.End(); };  // itself and a later one
    list.Notify([](IListener& l) { l.Changed(); });
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 1);
    EXPECT_EQ(third.calls, 0);  // detached before its turn
    EXPECT_EQ(list.Count(), 1u);
    list.Notify([](IListener& l) { l.Changed(); });
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 2);
}

TEST(FoundationObserver, RegistrationEndsOnDestructionAndIgnoresDoubleAttach) {
    zq::ObserverList<IListener> list;
    Listener l;
    {
        zq::ObserverRegistration<IListener> r(list, &l);
        list.Attach(&l);
        EXPECT_EQ(list.Count(), 1u);
        zq::ObserverRegistration<IListener> moved = std::move(r);
        EXPECT_EQ(moved.GetObserver(), &l);
    }
    EXPECT_EQ(list.Count(), 0u);
}

TEST(FoundationObserver, ObserverAttachedDuringNotificationWaitsForTheNextOne) {
    zq::ObserverList<IListener> list;
    Listener a, b;
    a.action = [&] { list.Attach(&b); };
    list.Attach(&a);
    list.Notify([](IListener& l) { l.Changed(); });
    EXPECT_EQ(b.calls, 0);
    a.action = nullptr;
    list.Notify([](IListener& l) { l.Changed(); });
    EXPECT_EQ(b.calls, 1);
}

TEST(FoundationFunction, DelegatorAndCollector) {
    int sum = 0;
    auto add = zq::MakeDelegator<int>([&](int v) { sum += v; });
    zq::CollectFun<int> collect;
    for (int v : {1, 2, 3}) {
        add(v);
        collect(v);
    }
    EXPECT_EQ(sum, 6);
    EXPECT_EQ(collect.Items(), (std::vector<int>{1, 2, 3}));
}

TEST(FoundationException, ShownFlag) {
    try {
        throw zq::Exception("boom");
    } catch (const zq::Exception& e) {
        EXPECT_STREQ(e.what(), "boom");
        EXPECT_FALSE(e.IsShown());
        e.MarkShown();
        EXPECT_TRUE(e.IsShown());
    }
}

TEST(FoundationUTF8, RoundTripOfAnAstralCharacter) {
    std::wstring text = L"a";
    zq::AppendWide(text, 0x1F600);
    text += L"\u00E9";
    EXPECT_EQ(text.size(), sizeof(wchar_t) == 2 ? 4u : 3u);
    const std::string bytes = zq::ToUTF8(text);
    EXPECT_EQ(bytes, "a\xF0\x9F\x98\x80\xC3\xA9");
    EXPECT_EQ(zq::FromUTF8(bytes), text);
}

TEST(FoundationUTF8, InvalidBytesAreRejected) {
    for (const char* bad : {"\x80", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF",
                            "ok\xF0\x9F\x98"}) {
        EXPECT_THROW(zq::FromUTF8(bad), zq::Exception) << bad;
        EXPECT_NE(zq::FindInvalidUTF8(bad), std::string::npos) << bad;
    }
    EXPECT_EQ(zq::FindInvalidUTF8("plain ascii text and \xE2\x82\xAC"), std::string::npos);
    EXPECT_EQ(zq::FindInvalidUTF8("0123456789abcdef\x80"), 16u);
}

TEST(FoundationUTF8, LoneSurrogatesBecomeReplacementCharacters) {
    if (sizeof(wchar_t) != 2) GTEST_SKIP() << "wide strings hold code points here";
    EXPECT_EQ(zq::ToUTF8(std::wstring(1, wchar_t(0xDC00))), "\xEF\xBF\xBD");
    EXPECT_EQ(zq::ToUTF8(std::wstring{wchar_t(0xD83D), L'x'}), "\xEF\xBF\xBDx");
}

TEST(FoundationUTF8, FacetConvertsStreamsBothWays) {
    std::wstring text = L"x=1234.5 ";
    zq::AppendWide(text, 0x1F600);
    // Out: a byte stream written through the facet, one character at a time so that pairs split.
    const std::locale loc = zq::MakeUTF8Locale();
    const auto& cvt = std::use_facet<std::codecvt<wchar_t, char, std::mbstate_t>>(loc);
    std::mbstate_t state{};
    std::string out;
    for (wchar_t c : text) {
        char buf[8];
        const wchar_t* next;
        char* toNext;
        ASSERT_NE(cvt.out(state, &c, &c + 1, next, buf, buf + 8, toNext), std::codecvt_base::error);
        out.append(buf, toNext);
    }
    EXPECT_EQ(out, zq::ToUTF8(text));
    // In: an invalid byte reads as a mark; a split sequence waits for its rest.
    std::mbstate_t in{};
    const char bytes[] = "\xF0\x9F";
    const char* fromNext;
    wchar_t wbuf[4];
    wchar_t* toNext;
    EXPECT_EQ(cvt.in(in, bytes, bytes + 2, fromNext, wbuf, wbuf + 4, toNext), std::codecvt_base::partial);
    const char invalid[] = "a\xC0\xAF";
    EXPECT_EQ(cvt.in(in, invalid, invalid + 3, fromNext, wbuf, wbuf + 4, toNext), std::codecvt_base::ok);
    ASSERT_EQ(toNext - wbuf, 3);
    EXPECT_EQ(wbuf[1], wchar_t(zq::kInvalidByteMark));
    EXPECT_EQ(wbuf[2], wchar_t(zq::kInvalidByteMark));
}

// A mark, or U+FFFF, at the start of what a stream buffer reads must not end the stream: where
// wint_t has 16 bits U+FFFF is WEOF.
TEST(FoundationUTF8, StreamsReadOnAfterAMarkAtTheirStart) {
    const auto path = std::filesystem::temp_directory_path() / "foundation-utf8-mark.txt";
    const std::pair<std::string, char32_t> cases[] = {
        {"\xE9<D/>", zq::kInvalidByteMark}, {"\xEF\xBF\xBF<D/>", zq::kUFFFFMark}, {"\xEF\xBF\xBE<D/>", 0xFFFE}};
    for (const auto& [bytes, first] : cases) {
        std::ofstream(path, std::ios::binary) << bytes;
        std::wifstream in(path, std::ios::binary);
        in.imbue(zq::MakeUTF8Locale());
        const std::wstring text{std::istreambuf_iterator<wchar_t>(in), std::istreambuf_iterator<wchar_t>()};
        EXPECT_EQ(text, std::wstring(1, wchar_t(first)) + L"<D/>");
    }
    std::filesystem::remove(path);
}

TEST(FoundationUTF8, LocaleKeepsClassicNumbers) {
    std::wostringstream os;
    os.imbue(zq::MakeUTF8Locale());
    os << 1234567 << L' ' << 0.5;
    EXPECT_EQ(os.str(), L"1234567 0.5");
}
