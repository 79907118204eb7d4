// The viewer frame as a user meets it: the window, the buttons, the messages.
#include <string>

#include "tests/e2e/driver.h"

namespace {

using namespace e2e;


int modeOf(const std::string& program) { return std::stoi(program.substr(5)); }

std::string exe(const Context& c, const std::string& program) { return c.binDir + "\\" + program + ".exe"; }

// A small file with records of the program's mode.
std::string sampleFile(const Context& c, const std::string& program, const std::string& name = "sample.kvd") {
  const std::string mode = std::to_string(modeOf(program));
  const std::string file = path(c, name);
  writeFile(file, measurementFile("mode=" + mode +
                                  " date=05.07.2019 time=09:04:07 temperature=23 humidity=45 pressure=745"
                                  " pulseCount=412 primaryResult=186 primaryError=37 bounds=44,62,86"
                                  " spectrum=flat(2)+peak(50,120,3)\n"
                                  "mode=" + mode + " date=06.07.2019 time=10:00:00 repeat=1\n"));
  return file;
}

HWND waitMain(const Process& p, const std::string& program) {
  HWND main = waitWindow(p.id(), "SimpleWinClass");
  check(narrow(windowText(main)) == program, "title is " + narrow(windowText(main)));
  return main;
}

void checkFrame(HWND main) {
  RECT r;
  GetWindowRect(main, &r);
  check(r.left == 200 && r.top == 100, "main window not at (200, 100)");
  check(r.right - r.left == 620 && r.bottom - r.top == 480, "main window not 620 x 480");
  std::vector<HWND> buttons;
  waitFor([&] { return (buttons = children(main, "Button")).size() >= 2; }, 3000);
  check(buttons.size() == 2, "expected EXIT and LOOK, found " + std::to_string(buttons.size()) + " buttons");
  const RECT exitRect = rectInParent(buttons[0]);
  const RECT lookRect = rectInParent(buttons[1]);
  check(exitRect.left == 540 && exitRect.top == 20 && exitRect.right == 604 && exitRect.bottom == 60,
        "EXIT not at (540, 20), 64 x 40");
  check(lookRect.left == 540 && lookRect.top == 80 && lookRect.right == 604 && lookRect.bottom == 120,
        "LOOK not at (540, 80), 64 x 40");
  check(IsWindowVisible(buttons[0]) && IsWindowVisible(buttons[1]), "buttons hidden");
  // Corners of the page, outside any frame or text, show the page colour.
  RECT client;
  GetClientRect(main, &client);
  for (POINT p : {POINT{4, 4}, POINT{client.right - 5, client.bottom - 5}, POINT{8, client.bottom - 5},
                  POINT{client.right - 5, 200}})
    check(waitPixel(main, p.x, p.y, kPage), "page colour missing at (" + std::to_string(p.x) + ", " +
                                                std::to_string(p.y) + "): " + hex(pixel(main, p.x, p.y)));
}

void viewerWindow(const Context& c, const std::vector<std::string>& args) {
  const std::string program = args.at(0);
  const std::string file = sampleFile(c, program);
  {
    Process p = start(quoted(exe(c, program)) + " " + file + ",0");
    HWND main = waitMain(p, program);
    checkFrame(main);
    click(children(main, "Button").at(0));
    check(p.waitExit() == 0, "EXIT did not end with 0");
  }
  {
    // The unquoted program path ends at its first blank; here it has none.
    Process p = start(exe(c, program) + " " + file + ",1", exe(c, program));
    HWND main = waitMain(p, program);
    checkFrame(main);
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    check(p.waitExit() == 0, "the close box did not end with 0");
  }
}
E2E_SCENARIO("viewer-window", viewerWindow);

void expectMessage(const Context& c, const std::string& program, const std::string& arguments,
                   const std::wstring& expected) {
  Process p = start(quoted(exe(c, program)) + arguments);
  HWND box = waitMessageBox(p.id());
  check(windowText(box) == std::wstring(program.begin(), program.end()), "caption is " + narrow(windowText(box)));
  const std::wstring text = messageText(box);
  check(text == expected, "for '" + arguments + "' expected '" + narrow(expected) + "', got '" + narrow(text) + "'");
  pressOk(box);
  check(p.waitExit() == 0, "did not end with 0 after OK");
}

void viewerMessages(const Context& c, const std::vector<std::string>& args) {
  const std::string program = args.at(0);
  const std::string file = sampleFile(c, program);
  const std::wstring wfile(file.begin(), file.end());
  expectMessage(c, program, "", L"Format error");
  expectMessage(c, program, " " + file, L"Format error");
  expectMessage(c, program, " ,5", L"Format error");
  expectMessage(c, program, " " + file + ",5 ", L"Open error 11");
  expectMessage(c, program, " " + file + ",-5", L"Open error 11");
  expectMessage(c, program, " " + file + ",5a", L"Open error 12");
  const std::string missing = path(c, "nofile.kvd");
  expectMessage(c, program, " " + missing + ",0", L"No file: " + std::wstring(missing.begin(), missing.end()));
}
E2E_SCENARIO("viewer-messages", viewerMessages);

// Arguments that open a record without any message.
void expectNoMessage(const std::string& commandLine, const std::string& program) {
  Process p = start(commandLine);
  HWND main = waitMain(p, program);
  // The record is read after the window is up: a message, or else the page.
  waitFor([&] { return pageDrawn(main) || findWindow(p.id(), "#32770") != nullptr; }, 8000);
  check(findWindow(p.id(), "#32770") == nullptr,
        "unexpected message box for " + commandLine + ": " + narrow(messageText(findWindow(p.id(), "#32770"))));
  check(pageDrawn(main), "no page drawn for " + commandLine);
  check(waitPixel(main, 4, 4, kPage), "page not shown");
  PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  check(p.waitExit() == 0, "did not end with 0");
}

void viewerArguments(const Context& c, const std::vector<std::string>& args) {
  const std::string program = args.at(0);
  const std::string file = sampleFile(c, program);
  const std::string q = quoted(exe(c, program));
  // Past the end of the file, however far: the all-zero record, no message.
  expectNoMessage(q + " " + file + ",7", program);
  expectNoMessage(q + " " + file + ",99999999999999999999999", program);
  expectNoMessage(q + " " + file + ",", program);
  expectNoMessage(q + "  " + file + ",1", program);
  // A file whose name has a comma, and a path with a blank in quotes.
  expectNoMessage(q + " " + sampleFile(c, program, "a,b.kvd") + ",1", program);
  CreateDirectoryA(path(c, "my data").c_str(), nullptr);
  expectNoMessage(q + " \"" + sampleFile(c, program, "my data\\m1.kvd") + ",1\"", program);
  // The programs installed in a folder whose name has a blank.
  const std::string folder = path(c, "Zel Viewer");
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string copy = folder + "\\" + program + ".exe";
  check(CopyFileA(exe(c, program).c_str(), copy.c_str(), FALSE), "cannot copy the program");
  expectNoMessage(quoted(copy) + " " + file + ",0", program);
}
E2E_SCENARIO("viewer-arguments", viewerArguments);

}  // namespace

namespace {

// screenshot PROGRAM FILE INDEX OUT.bmp: the program's window after its page is drawn.
void screenshot(const Context& c, const std::vector<std::string>& args) {
  const std::string program = args.at(0);
  Process p = start(quoted(exe(c, program)) + " " + quoted(args.at(1) + "," + args.at(2)));
  HWND main = waitMain(p, program);
  check(waitFor([&] { return pageDrawn(main); }, 8000), program + ": page never drawn");
  saveScreenshot(main, args.at(3));
  PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  p.waitExit();
}
E2E_SCENARIO("screenshot", screenshot);

}  // namespace
