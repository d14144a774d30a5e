// The COM server as a host sees it: exports, class factory, object count,
// the extension object's interfaces and AddPages.
#include "TestSupport.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace
{
class ComTest : public testing::Test
{
protected:
    // Every test starts and ends with nothing of the module alive.
    void SetUp() override { ASSERT_EQ(S_OK, Pointix().CanUnloadNow()); }
    void TearDown() override { EXPECT_EQ(S_OK, Pointix().CanUnloadNow()) << "an object of the module is still alive"; }
};

BOOL CALLBACK RefusePage(HPROPSHEETPAGE, LPARAM lParam)
{
    ++*reinterpret_cast<int*>(lParam);
    return FALSE;
}
}

TEST(Exports, AreReachableByNameAndByOrdinal)
{
    const struct
    {
        const char* Name;
        WORD Ordinal;
    } Exports[] = {
        {"DllUnregisterServer", 1},
        {"DllRegisterServer", 2},
        {"DllGetClassObject", 3},
        {"DllCanUnloadNow", 4},
    };
    HMODULE Module = Pointix().Module;
    ASSERT_NE(nullptr, Module);
    for (const auto& Export : Exports)
    {
        FARPROC ByName = GetProcAddress(Module, Export.Name);
        ASSERT_NE(nullptr, ByName) << Export.Name;
        EXPECT_EQ(ByName, GetProcAddress(Module, MAKEINTRESOURCEA(Export.Ordinal))) << Export.Name;
    }
    EXPECT_EQ(nullptr, GetProcAddress(Module, MAKEINTRESOURCEA(5)));
}

TEST_F(ComTest, GetClassObjectAnswersPerClassAndInterface)
{
    const struct
    {
        const CLSID* Class;
        const IID* Interface;
        HRESULT Expected;
    } Cases[] = {
        {&CLSID_Pointix, &IID_IClassFactory, S_OK},
        {&CLSID_Pointix, &IID_IUnknown, S_OK},
        {&CLSID_Pointix, &IID_IShellExtInit, E_NOINTERFACE},
        {&CLSID_Pointix, &IID_IShellPropSheetExt, E_NOINTERFACE},
        {&IID_IUnknown, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
        {&CLSID_ShellLink, &IID_IUnknown, CLASS_E_CLASSNOTAVAILABLE},
    };
    for (const auto& Case : Cases)
    {
        void* Object = reinterpret_cast<void*>(1);
        HRESULT Result = Pointix().GetClassObject(*Case.Class, *Case.Interface, &Object);
        EXPECT_EQ(Case.Expected, Result);
        if (Result == S_OK)
        {
            ASSERT_NE(nullptr, Object);
            EXPECT_EQ(S_FALSE, Pointix().CanUnloadNow()) << "a factory handed out is counted";
            EXPECT_EQ(1u, RefCount(static_cast<IUnknown*>(Object)));
            EXPECT_EQ(0u, static_cast<IUnknown*>(Object)->Release());
        }
        else if (Result == E_NOINTERFACE)
        {
            EXPECT_EQ(nullptr, Object);
        }
        EXPECT_EQ(S_OK, Pointix().CanUnloadNow());
    }
    EXPECT_EQ(E_POINTER, Pointix().GetClassObject(CLSID_Pointix, IID_IClassFactory, nullptr));
}

TEST_F(ComTest, FactoryQueryInterfaceAddsReferencesButIsCountedOnce)
{
    IClassFactory* Factory = NewFactory();
    ASSERT_NE(nullptr, Factory);
    IUnknown* Unknown = nullptr;
    ASSERT_EQ(S_OK, Factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&Unknown)));
    EXPECT_EQ(static_cast<IUnknown*>(Factory), Unknown);
    EXPECT_EQ(2u, RefCount(Factory));
    void* Other = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, Factory->QueryInterface(IID_IShellExtInit, &Other));
    EXPECT_EQ(nullptr, Other);
    EXPECT_EQ(E_POINTER, Factory->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(1u, Unknown->Release());
    EXPECT_EQ(S_FALSE, Pointix().CanUnloadNow());
    EXPECT_EQ(0u, Factory->Release());
}

TEST_F(ComTest, LockServerKeepsTheFactoryAliveUntilUnlocked)
{
    IClassFactory* Factory = NewFactory();
    ASSERT_NE(nullptr, Factory);
    EXPECT_EQ(S_OK, Factory->LockServer(TRUE));
    EXPECT_EQ(1u, Factory->Release());
    EXPECT_EQ(S_FALSE, Pointix().CanUnloadNow()) << "a locked factory stays counted";
    // The unlock that brings the count to zero frees the factory.
    EXPECT_EQ(S_OK, Factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, Pointix().CanUnloadNow());
}

TEST_F(ComTest, LockAndUnlockWhileHeldLeaveTheCountAlone)
{
    IClassFactory* Factory = NewFactory();
    ASSERT_NE(nullptr, Factory);
    EXPECT_EQ(S_OK, Factory->LockServer(TRUE));
    EXPECT_EQ(2u, RefCount(Factory));
    EXPECT_EQ(S_OK, Factory->LockServer(FALSE));
    EXPECT_EQ(1u, RefCount(Factory));
    EXPECT_EQ(0u, Factory->Release());
}

TEST_F(ComTest, CreateInstanceAnswersPerInterface)
{
    const struct
    {
        const IID* Interface;
        HRESULT Expected;
    } Cases[] = {
        {&IID_IShellExtInit, S_OK},
        {&IID_IShellPropSheetExt, S_OK},
        {&IID_IUnknown, S_OK},
        {&IID_IClassFactory, E_FAIL},
        {&IID_IDataObject, E_FAIL},
    };
    IClassFactory* Factory = NewFactory();
    ASSERT_NE(nullptr, Factory);
    for (const auto& Case : Cases)
    {
        IUnknown* Object = reinterpret_cast<IUnknown*>(1);
        EXPECT_EQ(Case.Expected, Factory->CreateInstance(nullptr, *Case.Interface, reinterpret_cast<void**>(&Object)));
        if (Case.Expected == S_OK)
        {
            ASSERT_NE(nullptr, Object);
            EXPECT_EQ(1u, RefCount(Object));
            EXPECT_EQ(0u, Object->Release());
        }
        else
        {
            EXPECT_EQ(nullptr, Object);
        }
    }
    IUnknown* Outer = Factory;
    void* Object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, Factory->CreateInstance(Outer, IID_IShellExtInit, &Object));
    EXPECT_EQ(nullptr, Object);
    EXPECT_EQ(E_POINTER, Factory->CreateInstance(nullptr, IID_IShellExtInit, nullptr));
    EXPECT_EQ(0u, Factory->Release());
}

TEST_F(ComTest, ObjectCountFollowsTheObjectNotTheFactory)
{
    IShellPropSheetExt* Extension = NewExtension();
    ASSERT_NE(nullptr, Extension);
    EXPECT_EQ(S_FALSE, Pointix().CanUnloadNow()) << "the extension outlives its factory and is counted";
    EXPECT_EQ(0u, Extension->Release());
}

TEST_F(ComTest, BothInterfacesShareOneIdentityAndOneCount)
{
    IShellPropSheetExt* Sheet = NewExtension();
    ASSERT_NE(nullptr, Sheet);
    IShellExtInit* Init = nullptr;
    ASSERT_EQ(S_OK, Sheet->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&Init)));
    EXPECT_NE(static_cast<void*>(Sheet), static_cast<void*>(Init));
    EXPECT_EQ(2u, RefCount(Sheet));

    IUnknown* ViaSheet = nullptr;
    IUnknown* ViaInit = nullptr;
    ASSERT_EQ(S_OK, Sheet->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ViaSheet)));
    ASSERT_EQ(S_OK, Init->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ViaInit)));
    EXPECT_EQ(ViaSheet, ViaInit);
    EXPECT_EQ(4u, RefCount(Init));

    IShellPropSheetExt* Back = nullptr;
    ASSERT_EQ(S_OK, Init->QueryInterface(IID_IShellPropSheetExt, reinterpret_cast<void**>(&Back)));
    EXPECT_EQ(Sheet, Back);

    void* None = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, Init->QueryInterface(IID_IClassFactory, &None));
    EXPECT_EQ(nullptr, None);
    EXPECT_EQ(E_POINTER, Init->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(5u, RefCount(Sheet));

    EXPECT_EQ(4u, Back->Release());
    EXPECT_EQ(3u, ViaInit->Release());
    EXPECT_EQ(2u, ViaSheet->Release());
    EXPECT_EQ(1u, Sheet->Release());
    EXPECT_EQ(S_FALSE, Pointix().CanUnloadNow());
    EXPECT_EQ(0u, Init->Release()) << "the last Release through the other interface destroys the object";
}

TEST_F(ComTest, InitializeKeepsNothingAndReplacePageIsNotImplemented)
{
    IShellPropSheetExt* Sheet = NewExtension();
    ASSERT_NE(nullptr, Sheet);
    IShellExtInit* Init = nullptr;
    ASSERT_EQ(S_OK, Sheet->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&Init)));
    EXPECT_EQ(S_OK, Init->Initialize(nullptr, nullptr, nullptr));
    EXPECT_EQ(S_OK, Init->Initialize(nullptr, nullptr, HKEY_CURRENT_USER));
    EXPECT_EQ(E_NOTIMPL, Sheet->ReplacePage(0, nullptr, 0));
    EXPECT_EQ(E_NOTIMPL, Sheet->ReplacePage(1, RefusePage, 42));
    EXPECT_EQ(2u, RefCount(Sheet));
    Init->Release();
    EXPECT_EQ(0u, Sheet->Release());
}

TEST_F(ComTest, AddPagesRefusedByTheHostTakesNoReference)
{
    IShellPropSheetExt* Sheet = NewExtension();
    ASSERT_NE(nullptr, Sheet);
    int Offered = 0;
    EXPECT_EQ(E_FAIL, Sheet->AddPages(RefusePage, reinterpret_cast<LPARAM>(&Offered)));
    EXPECT_EQ(1, Offered);
    EXPECT_EQ(1u, RefCount(Sheet));
    EXPECT_EQ(0u, Sheet->Release());
}

namespace
{
// A host that takes at most Limit pages and keeps their handles.
struct TPages
{
    size_t Limit;
    std::vector<HPROPSHEETPAGE> Taken;
};

BOOL CALLBACK TakeSome(HPROPSHEETPAGE Page, LPARAM lParam)
{
    auto* Pages = reinterpret_cast<TPages*>(lParam);
    if (Pages->Taken.size() >= Pages->Limit)
        return FALSE;
    Pages->Taken.push_back(Page);
    return TRUE;
}
}

TEST_F(ComTest, AddPagesAcceptedHandsOverAPageThatHoldsAReference)
{
    IShellPropSheetExt* Sheet = NewExtension();
    ASSERT_NE(nullptr, Sheet);
    TPages Pages = {10, {}};
    EXPECT_EQ(S_OK, Sheet->AddPages(TakeSome, reinterpret_cast<LPARAM>(&Pages)));
    ASSERT_EQ(3u, Pages.Taken.size());
    EXPECT_EQ(2u, RefCount(Sheet));
    // A page whose dialog never exists holds its reference until its
    // handle is destroyed, as a sheet does when it closes.
    for (HPROPSHEETPAGE Page : Pages.Taken)
        EXPECT_TRUE(DestroyPropertySheetPage(Page));
    EXPECT_EQ(1u, RefCount(Sheet));
    EXPECT_EQ(0u, Sheet->Release());
}

// "Zeigen und Ziehen" and "Beschleunigungskurve" come second and third and
// own themselves: each keeps the module loaded while its handle lives, also
// without a window and without the object that made it, and goes with its
// handle. A host that refuses one keeps the pages before it.
TEST_F(ComTest, OtherPagesLiveAsLongAsTheirHandles)
{
    for (size_t Limit : {1u, 2u, 3u})
    {
        SCOPED_TRACE(testing::Message() << "the host takes " << Limit << " page(s)");
        IShellPropSheetExt* Sheet = NewExtension();
        ASSERT_NE(nullptr, Sheet);
        TPages Pages = {Limit, {}};
        EXPECT_EQ(S_OK, Sheet->AddPages(TakeSome, reinterpret_cast<LPARAM>(&Pages)));
        ASSERT_EQ(Limit, Pages.Taken.size());
        EXPECT_EQ(2u, RefCount(Sheet)) << "only the first page holds the object";
        EXPECT_EQ(1u, Sheet->Release()) << "the first page holds it until its handle goes";
        EXPECT_EQ(S_FALSE, Pointix().CanUnloadNow()) << "the pages are alive as long as their handles";
        for (HPROPSHEETPAGE Page : Pages.Taken)
            EXPECT_TRUE(DestroyPropertySheetPage(Page));
        EXPECT_EQ(S_OK, Pointix().CanUnloadNow());
    }
}

TEST_F(ComTest, ConcurrentReferenceCountingIsExact)
{
    IShellPropSheetExt* Sheet = NewExtension();
    IClassFactory* Factory = NewFactory();
    ASSERT_NE(nullptr, Sheet);
    ASSERT_NE(nullptr, Factory);
    const int Threads = 8;
    const int Rounds = 20000;
    std::atomic<int> Zeroes{0};
    std::atomic<int> Failures{0};
    std::vector<std::thread> Workers;
    for (int t = 0; t < Threads; ++t)
        Workers.emplace_back([&] {
            for (int i = 0; i < Rounds; ++i)
            {
                Sheet->AddRef();
                IUnknown* Unknown = nullptr;
                if (Sheet->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&Unknown)) != S_OK)
                    ++Failures;
                else if (Unknown->Release() == 0)
                    ++Zeroes;
                if (Sheet->Release() == 0)
                    ++Zeroes;
                Factory->LockServer(TRUE);
                Factory->AddRef();
                Factory->LockServer(FALSE);
                if (Factory->Release() == 0)
                    ++Zeroes;
            }
        });
    for (auto& Worker : Workers)
        Worker.join();
    EXPECT_EQ(0, Failures.load());
    EXPECT_EQ(0, Zeroes.load()) << "a count fell to zero while the main thread still held a reference";
    EXPECT_EQ(1u, RefCount(Sheet));
    EXPECT_EQ(1u, RefCount(Factory));
    EXPECT_EQ(0u, Sheet->Release());
    EXPECT_EQ(S_FALSE, Pointix().CanUnloadNow());
    EXPECT_EQ(0u, Factory->Release());
}
