#include "desktop.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace {

// The display that scripts/virtual-display started for this process, as
// the handle that stops it.
std::string displayHandle;

// The environment as it was before StartDisplay changed it.
std::vector<std::pair<std::string, std::unique_ptr<std::string>>> environmentBefore;

// Sets (or, with an empty value, unsets) a variable, keeping what it was.
void SetEnvironment(const std::string &name, const std::string &value)
{
    bool saved = false;
    for (const auto &entry : environmentBefore)
        saved = saved || entry.first == name;
    if (!saved) {
        const char *before = std::getenv(name.c_str());
        environmentBefore.emplace_back(name, before ? std::make_unique<std::string>(before) : nullptr);
    }
    if (value.empty())
        unsetenv(name.c_str());
    else
        setenv(name.c_str(), value.c_str(), 1);
}

void RestoreEnvironment()
{
    for (const auto &entry : environmentBefore) {
        if (entry.second)
            setenv(entry.first.c_str(), entry.second->c_str(), 1);
        else
            unsetenv(entry.first.c_str());
    }
    environmentBefore.clear();
}

// The text between start and end in text, or "".
std::string Between(const std::string &text, const std::string &start, const std::string &end)
{
    size_t from = text.find(start);
    if (from == std::string::npos)
        return "";
    from += start.size();
    size_t to = text.find(end, from);
    return to == std::string::npos ? "" : text.substr(from, to - from);
}

std::string ReadFile(const std::string &path)
{
    std::ifstream f(path);
    std::stringstream text;
    text << f.rdbuf();
    return text.str();
}

std::string Quote(const std::string &s)
{
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// The NAME=value lines of text, in order.
std::vector<std::pair<std::string, std::string>> Assignments(const std::string &text)
{
    std::vector<std::pair<std::string, std::string>> found;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos)
            found.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return found;
}

// scripts/virtual-display with the given arguments (quoted already), its
// errors to a file: what it printed on stdout, or false with what it said
// in *why.
bool VirtualDisplay(const std::string &arguments, std::string *out, std::string *why)
{
    std::string errors = ArtifactDir() + "/virtual-display-" + std::to_string(getpid()) + ".log";
    int status = -1;
    *out = Shell(Quote(DV_VIRTUAL_DISPLAY) + " " + arguments + " 2>" + Quote(errors), &status);
    *why = ReadFile(errors);
    std::remove(errors.c_str());
    return status == 0;
}

bool DismissNotice(const std::string &notice, const std::string &how, std::string *why)
{
    std::string out;
    return VirtualDisplay("dismiss " + Quote(how) + " " + Quote(notice), &out, why);
}

} // namespace

std::string Shell(const std::string &command, int *status)
{
    std::string out;
    FILE *p = popen(command.c_str(), "r");
    if (!p) {
        if (status)
            *status = -1;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    int st = pclose(p);
    if (status)
        *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}

void Sleep(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool WaitFor(double seconds, const std::function<bool()> &condition)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        Sleep(0.1);
    }
}

std::string ArtifactDir()
{
    mkdir(DUCKVIEW_TEST_ARTIFACTS, 0755);
    return DUCKVIEW_TEST_ARTIFACTS;
}

bool StartDisplay(const std::string &screen, const std::string &desktop, std::string *why,
                  const std::vector<std::string> &xvfbOptions)
{
    StopDisplay();
    std::string arguments = "start --owner " + std::to_string(getpid()) + " --desktop " + Quote(desktop);
    if (!screen.empty())
        arguments += " --screen " + Quote(screen);
    arguments += " --";
    for (const std::string &option : xvfbOptions)
        arguments += " " + Quote(option);
    std::string out;
    if (!VirtualDisplay(arguments, &out, why))
        return false;
    // The handle, and the environment of the programs that are to run on
    // the display.
    for (const auto &[name, value] : Assignments(out)) {
        if (name == "DV_DISPLAY_HANDLE")
            displayHandle = value;
        else if (name.compare(0, 3, "DV_") != 0)
            SetEnvironment(name, value);
    }
    if (displayHandle.empty()) {
        *why = "virtual-display start printed no handle:\n" + out;
        return false;
    }
    return true;
}

void StopDisplay()
{
    if (!displayHandle.empty()) {
        std::string out, why;
        if (!VirtualDisplay("stop " + Quote(displayHandle), &out, &why))
            std::fprintf(stderr, "stopping the virtual display: %s", why.c_str());
    }
    displayHandle.clear();
    RestoreEnvironment();
}

pid_t Spawn(const std::vector<std::string> &argv, const std::vector<std::string> &env, const std::string &logPath)
{
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    // Child: its own process group, so that Kill ends everything it starts.
    setpgid(0, 0);
    int fd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
        dup2(fd, 1);
        dup2(fd, 2);
        close(fd);
    }
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0)
        dup2(devnull, 0);
    for (const std::string &e : env)
        putenv(strdup(e.c_str()));
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

bool WaitExit(pid_t pid, double seconds, int *code)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            *code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        }
        if (r < 0)
            return false;
        if (std::chrono::steady_clock::now() > end)
            return false;
        Sleep(0.05);
    }
}

void Kill(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    int status;
    waitpid(pid, &status, 0);
}

double CpuSeconds(pid_t pid)
{
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(f, line);
    // Fields after the command name, which is in parentheses.
    size_t close = line.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; i++) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return (double)(utime + stime) / (double)sysconf(_SC_CLK_TCK);
}

bool IsViewable(const std::string &window)
{
    return Shell("xwininfo -id " + window + " 2>/dev/null").find("IsViewable") != std::string::npos;
}

std::string FocusedWindow()
{
    std::string id = Shell("timeout 10 xdotool getwindowfocus 2>/dev/null");
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%lx", std::strtoul(id.c_str(), nullptr, 10));
    return hex;
}

Frame FrameOf(const std::string &window)
{
    Frame frame;
    std::string child = window;
    for (int depth = 0; depth < 10; depth++) {
        std::string tree = Shell("xwininfo -children -id " + child + " 2>/dev/null");
        std::string root = Between(tree, "Root window id: ", " ");
        std::string parent = Between(tree, "Parent window id: ", " ");
        if (parent.empty() || parent == root)
            break;
        frame.window = child = parent;
    }
    std::string extents = Shell("xprop -id " + window + " _NET_FRAME_EXTENTS 2>/dev/null");
    size_t at = extents.find(" = ");
    if (at != std::string::npos)
        std::sscanf(extents.c_str() + at, " = %d, %d, %d, %d", &frame.left, &frame.right, &frame.top, &frame.bottom);
    return frame;
}

void Minimise(const std::string &window)
{
    Shell("timeout 10 xdotool windowminimize --sync " + window + " 2>/dev/null");
}

void Activate(const std::string &window)
{
    Shell("timeout 10 xdotool windowactivate --sync " + window + " 2>/dev/null");
}

void CloseBox(const std::string &title)
{
    Shell("timeout 10 wmctrl -F -c " + Quote(title) + " 2>/dev/null");
}

std::string FindWindow(const std::string &title)
{
    // Every window in the tree, one a line: <id> "<title>": (...) geometry.
    std::string tree = Shell("xwininfo -root -tree 2>/dev/null");
    std::istringstream lines(tree);
    std::string line;
    const std::string wanted = "\"" + title + "\": (";
    while (std::getline(lines, line)) {
        size_t at = line.find(wanted);
        size_t id = line.find("0x");
        if (at == std::string::npos || id == std::string::npos || id > at)
            continue;
        std::string window = line.substr(id, line.find(' ', id) - id);
        if (IsViewable(window))
            return window;
    }
    return "";
}

Geometry WindowGeometry(const std::string &window)
{
    Geometry g{0, 0, 0, 0};
    std::string out = Shell("timeout 10 xdotool getwindowgeometry --shell " + window + " 2>/dev/null");
    for (const auto &[key, text] : Assignments(out)) {
        int value = std::atoi(text.c_str());
        if (key == "X")
            g.x = value;
        else if (key == "Y")
            g.y = value;
        else if (key == "WIDTH")
            g.width = value;
        else if (key == "HEIGHT")
            g.height = value;
    }
    return g;
}

void Key(const std::string &window, const std::string &key)
{
    std::string focus = window.empty() ? "" : "windowfocus --sync " + window + " ";
    Shell("timeout 10 xdotool " + focus + "key --clearmodifiers " + Quote(key) + " 2>/dev/null");
}

void Click(const std::string &window, int x, int y)
{
    Shell("timeout 10 xdotool mousemove --sync --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
          " mousedown 1 sleep 0.1 mouseup 1 2>/dev/null");
}

void Drag(const std::string &window, const std::vector<std::pair<int, int>> &path)
{
    if (path.empty())
        return;
    std::string cmd = "timeout 20 xdotool mousemove --sync --window " + window + " " + std::to_string(path[0].first) + " " +
                      std::to_string(path[0].second) + " mousedown 1 sleep 0.1";
    for (size_t i = 1; i < path.size(); i++)
        cmd += " mousemove --sync --window " + window + " " + std::to_string(path[i].first) + " " +
               std::to_string(path[i].second) + " sleep 0.05";
    cmd += " mouseup 1 2>/dev/null";
    Shell(cmd);
}

Image Screenshot(const std::string &window)
{
    Image image;
    std::string data = Shell("timeout 20 import -window " + window + " -depth 8 ppm:- 2>/dev/null");
    // Binary PPM: "P6\n<w> <h>\n<max>\n" then the pixels.
    std::istringstream header(data);
    std::string magic;
    int w = 0, h = 0, max = 0;
    header >> magic >> w >> h >> max;
    if (magic != "P6" || w <= 0 || h <= 0 || max != 255)
        return image;
    size_t start = (size_t)header.tellg() + 1;
    if (data.size() < start + (size_t)w * h * 3)
        return image;
    image.width = w;
    image.height = h;
    image.rgb.assign(data.begin() + start, data.begin() + start + (size_t)w * h * 3);
    return image;
}

bool SavePng(const Image &image, const std::string &path)
{
    std::string cmd = "convert -size " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                      " -depth 8 rgb:- " + Quote(path) + " 2>/dev/null";
    FILE *p = popen(cmd.c_str(), "w");
    if (!p)
        return false;
    fwrite(image.rgb.data(), 1, image.rgb.size(), p);
    return pclose(p) == 0;
}

bool IsPlainBackground(const unsigned char *p)
{
    return std::abs(p[0] - 38) <= 3 && std::abs(p[1] - 38) <= 3 && std::abs(p[2] - 140) <= 3;
}

bool IsFogBackground(const unsigned char *p)
{
    return std::abs(p[0] - 128) <= 3 && std::abs(p[1] - 64) <= 3 && std::abs(p[2] - 64) <= 3;
}

bool LaunchViewer(const std::vector<std::string> &argv, const std::vector<std::string> &env, const std::string &log,
                  double patience, pid_t *pid, std::string *window, std::string *why, const std::string &dismiss,
                  const std::function<void(const std::string &notice)> &atNotice)
{
    struct stat program;
    if (stat(argv.back().c_str(), &program) != 0) {
        *why = argv.back() + " is missing: build it first (scripts/test builds every target)";
        return false;
    }
    *pid = Spawn(argv, env, log);
    // The tool says NOTICE_WINDOW=id once the notice is there and, with a
    // look at it first, leaves it to be dismissed here meanwhile; then
    // VIEWER_WINDOW=id.
    std::string errors = ArtifactDir() + "/viewer-" + std::to_string(*pid) + ".log";
    std::string command = Quote(DV_VIRTUAL_DISPLAY) + " viewer --pid " + std::to_string(*pid) + " --patience " +
                          std::to_string((int)std::ceil(patience)) + " --notice " + Quote(DUCKVIEW_NOTICE_CAPTION) +
                          " --title " + Quote(DUCKVIEW_WINDOW_TITLE) + " --dismiss " +
                          Quote(atNotice ? "none" : dismiss) + " 2>" + Quote(errors);
    FILE *tool = popen(command.c_str(), "r");
    if (!tool) {
        *why = std::string("popen: ") + std::strerror(errno);
        return false;
    }
    std::string dismissFailure;
    char buf[256];
    while (std::fgets(buf, sizeof buf, tool)) {
        std::string line(buf);
        line.erase(line.find_last_not_of('\n') + 1);
        if (line.rfind("NOTICE_WINDOW=", 0) == 0 && atNotice) {
            std::string notice = line.substr(line.find('=') + 1);
            atNotice(notice);
            // A notice that cannot be dismissed ends the wait for the window.
            if (!DismissNotice(notice, dismiss, &dismissFailure)) {
                Kill(*pid);
                *pid = -1;
            }
        } else if (line.rfind("VIEWER_WINDOW=", 0) == 0) {
            *window = line.substr(line.find('=') + 1);
        }
    }
    int status = pclose(tool);
    *why = dismissFailure.empty() ? ReadFile(errors) : dismissFailure;
    std::remove(errors.c_str());
    if (status != 0 || window->empty()) {
        *why += "see " + log;
        return false;
    }
    return true;
}
