#include "app/App.h"

#include <commctrl.h>
#include <objbase.h>

#include "app/MainWindow.h"
#include "exchange/ExchangeDetection.h"
#include "ui/FileTree.h"
#include "ui/Tips.h"

namespace tess {

int RunApplication(HINSTANCE /*instance*/, int showCommand) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // the help viewer and the shell need it
    // The file tree marks what a backup set's inventory does not hold.
    SetBackupSetLookup(exchange::OutsideExchangeBackupSet);
    int exitCode = 0;
    {
        FrmAdvancedBackup main;
        // A missing component file has been reported inside create(); the program ends here.
        if (main.createModeless(nullptr, showCommand)) {
            main.finishStoppedRun();
            // The process lives as long as the main window.
            MSG msg;
            while (main.hwnd()) {
                BOOL got = GetMessageW(&msg, nullptr, 0, 0);
                if (got <= 0) {
                    exitCode = got == 0 ? static_cast<int>(msg.wParam) : 1;
                    break;
                }
                if (PreTranslateWindowMessage(msg)) continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        HideTip();
        CloseHelpWindows();  // the help viewer goes with the program
    }
    CoUninitialize();
    return exitCode;
}

}  // namespace tess
