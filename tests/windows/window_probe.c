/* What Windows (here: Wine) says about the top-level windows, for scripts/windows-smoke.sh.
 *   window_probe list         the foreground window's title, then every visible titled top-level
 *                             window from the top of the z-order down, one title a line (UTF-8)
 *   window_probe alt-f4       presses and releases Alt+F4 through the system's input queue
 *   window_probe key-return   presses and releases Return
 */
#include <windows.h>

#include <stdio.h>
#include <string.h>

static void print_title(const char *prefix, HWND window) {
    wchar_t title[512];
    char utf8[2048];
    int n = window ? GetWindowTextW(window, title, 512) : 0;
    title[n] = 0;
    WideCharToMultiByte(CP_UTF8, 0, title, -1, utf8, sizeof utf8, NULL, NULL);
    printf("%s%s\n", prefix, utf8);
}

static BOOL CALLBACK each_window(HWND window, LPARAM unused) {
    (void)unused;
    if (IsWindowVisible(window) && GetWindowTextLengthW(window) > 0)
        print_title("visible: ", window);
    return TRUE;
}

static void keys(const WORD *vks, int count) {
    INPUT in[8];
    memset(in, 0, sizeof in);
    for (int i = 0; i < count; ++i) {
        in[i].type = INPUT_KEYBOARD;
        in[i].ki.wVk = vks[i];
        in[count * 2 - 1 - i].type = INPUT_KEYBOARD;
        in[count * 2 - 1 - i].ki.wVk = vks[i];
        in[count * 2 - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    SendInput((UINT)(count * 2), in, sizeof(INPUT));
}

int main(int argc, char **argv) {
    if (argc == 2 && strcmp(argv[1], "list") == 0) {
        print_title("foreground: ", GetForegroundWindow());
        EnumWindows(each_window, 0);
    } else if (argc == 2 && strcmp(argv[1], "alt-f4") == 0) {
        const WORD vks[] = {VK_MENU, VK_F4};
        keys(vks, 2);
    } else if (argc == 2 && strcmp(argv[1], "key-return") == 0) {
        const WORD vks[] = {VK_RETURN};
        keys(vks, 1);
    } else {
        fprintf(stderr, "usage: window_probe list|alt-f4|key-return\n");
        return 2;
    }
    fflush(stdout);
    return 0;
}
