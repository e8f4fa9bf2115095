// The drive list in a real extended combo box, against the drives of the test prefix.
#include "TestDrives.h"

#include "ui/DriveComboBox.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// A hidden top-level window holding one "ComboBoxEx32" control at a time.
class ComboHost {
public:
    ComboHost() {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_USEREX_CLASSES};
        ::InitCommonControlsEx(&icc);
        m_hParent = ::CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 300, 200, nullptr,
                                      nullptr, nullptr, nullptr);
    }
    ~ComboHost() { ::DestroyWindow(m_hParent); }

    // A new control, bound to a new wrapper.
    std::unique_ptr<CDriveComboBox> NewCombo() {
        auto combo = std::make_unique<CDriveComboBox>();
        combo->Attach(::CreateWindowExA(0, "ComboBoxEx32", "",
                                        WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 0,
                                        200, 150, m_hParent, nullptr, nullptr, nullptr));
        return combo;
    }
    static void Destroy(std::unique_ptr<CDriveComboBox>& combo) {
        ::DestroyWindow(combo->Detach());
        combo.reset();
    }

private:
    HWND m_hParent;
};

struct Item {
    std::string text;
    std::string root;
};

std::vector<Item> Items(const CDriveComboBox& combo) {
    std::vector<Item> items;
    for (int i = 0; i < combo.GetCount(); ++i) {
        char text[MAX_PATH] = {};
        COMBOBOXEXITEMA item = {};
        item.mask = CBEIF_TEXT | CBEIF_LPARAM;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        EXPECT_TRUE(combo.GetItem(&item));
        EXPECT_EQ(static_cast<DWORD_PTR>(item.lParam), combo.GetItemData(i));
        items.push_back({text, reinterpret_cast<const char*>(item.lParam)});
    }
    return items;
}

std::vector<std::string> Roots(const std::vector<Item>& items) {
    std::vector<std::string> roots;
    for (const Item& item : items)
        roots.push_back(item.root);
    return roots;
}

std::string ShellDisplayName(const std::string& root) {
    SHFILEINFOA info = {};
    ::SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME);
    return info.szDisplayName;
}

std::vector<std::string> ExpectedFixedRoots() {
    std::vector<std::string> roots = {"C:\\", "H:\\"};
    if (DriveExists(drives::kFixedSmall))
        roots.push_back("S:\\");
    if (DriveExists(drives::kFixedExact))
        roots.push_back("T:\\");
    roots.push_back("W:\\"); // a root every user may rearrange
    roots.push_back("Z:\\"); // Wine's view of the Unix root
    return roots;
}

class DriveComboBoxTest : public testing::Test {
protected:
    ComboHost host;
};

TEST_F(DriveComboBoxTest, ListsTheDrivesOfOneTypeWithTheShellsNamesAndTheirRoots) {
    auto cd = host.NewCombo();
    EXPECT_EQ(static_cast<int>(CdRoots().size()), cd->FillDriveList(true, DRIVE_CDROM));
    const std::vector<Item> cdItems = Items(*cd);
    EXPECT_EQ(CdRoots(), Roots(cdItems));
    for (const Item& item : cdItems) {
        EXPECT_EQ(ShellDisplayName(item.root), item.text);
        EXPECT_NE(std::string::npos, item.text.find(item.root.substr(0, 2))) << item.text;
    }

    auto fixed = host.NewCombo();
    const std::vector<std::string> expected = ExpectedFixedRoots();
    EXPECT_EQ(static_cast<int>(expected.size()), fixed->FillDriveList(true, DRIVE_FIXED));
    EXPECT_EQ(expected, Roots(Items(*fixed)));

    // The item data points into the wrapper's own buffer.
    const char* data = reinterpret_cast<const char*>(cd->GetItemData(0));
    EXPECT_GE(data, cd->m_pszDriveStrings);
    EXPECT_STREQ("D:\\", data);
    EXPECT_EQ(3u, strlen(data));
    ComboHost::Destroy(cd);
    ComboHost::Destroy(fixed);
}

TEST_F(DriveComboBoxTest, NoDriveOfTheTypeLeavesTheListEmptyAndAllTypesListsEveryDrive) {
    auto remote = host.NewCombo();
    EXPECT_EQ(0, remote->FillDriveList(true, DRIVE_REMOTE));
    EXPECT_EQ(CB_ERR, remote->GetCurSel());
    EXPECT_NE(nullptr, remote->m_pszDriveStrings);
    EXPECT_NE(nullptr, remote->m_pImageList);

    char buffer[512];
    const DWORD length = ::GetLogicalDriveStringsA(sizeof buffer, buffer);
    std::vector<std::string> all;
    for (const char* p = buffer; p < buffer + length && *p; p += strlen(p) + 1)
        all.push_back(p);
    auto every = host.NewCombo();
    EXPECT_EQ(static_cast<int>(all.size()), every->FillDriveList(false, -1));
    EXPECT_EQ(all, Roots(Items(*every)));

    // A second fill changes nothing.
    EXPECT_EQ(-1, every->FillDriveList(true, DRIVE_CDROM));
    EXPECT_EQ(static_cast<int>(all.size()), every->GetCount());
    ComboHost::Destroy(remote);
    ComboHost::Destroy(every);
}

TEST_F(DriveComboBoxTest, LargeAndSmallIconsGiveTheShellsImageListsOfThoseSizes) {
    struct Case {
        bool large;
        int cx, cy;
    } cases[] = {
        {true, ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON)},
        {false, ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)},
    };
    for (const Case& c : cases) {
        auto combo = host.NewCombo();
        combo->FillDriveList(c.large, DRIVE_FIXED);
        HIMAGELIST hList = combo->GetImageList();
        ASSERT_NE(nullptr, hList);
        EXPECT_EQ(combo->m_pImageList->m_hImageList, hList);
        int cx = 0, cy = 0;
        ASSERT_TRUE(::ImageList_GetIconSize(hList, &cx, &cy));
        EXPECT_EQ(c.cx, cx) << (c.large ? "large" : "small");
        EXPECT_EQ(c.cy, cy) << (c.large ? "large" : "small");
        EXPECT_EQ(CLR_NONE, ::ImageList_GetBkColor(hList));
        ComboHost::Destroy(combo);
    }
}

TEST_F(DriveComboBoxTest, DestroyingListsLeavesTheShellsImageListAliveAndBorrowedAgain) {
    auto first = host.NewCombo();
    first->FillDriveList(true, DRIVE_FIXED);
    const HIMAGELIST hSystem = first->GetImageList();
    const int images = ::ImageList_GetImageCount(hSystem);
    ASSERT_GT(images, 0);
    ComboHost::Destroy(first);

    for (int i = 0; i < 200; ++i) {
        auto combo = host.NewCombo();
        ASSERT_GT(combo->FillDriveList(true, DRIVE_FIXED), 0);
        ComboHost::Destroy(combo);
    }
    // The shell's list survived every wrapper, and is the one a new fill borrows again.
    EXPECT_GE(::ImageList_GetImageCount(hSystem), images);
    auto last = host.NewCombo();
    last->FillDriveList(true, DRIVE_FIXED);
    EXPECT_EQ(hSystem, last->GetImageList());
    ComboHost::Destroy(last);
}

} // namespace
