// The launcher window. Drawn with Dear ImGui on its own small GL context; the GL window of the
// playback has another one.
//
// Sections:
//   Display modes  the launcher's mode list: reading SDL's modes, their entries, parsing one back
//   The form       the window, its drawing and run loop, the frame-rate timer, closing

#include "platform/PlayerMainForm.h"

#include <GL/gl.h>
#include <SDL.h>
#include <backends/imgui_impl_opengl2.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <chrono>

#include "engine/playback.h"
#include "engine/_DemoParameters.h"
#include "platform/openglcanvas.h"
#include "platform/pixelfont.h"

namespace quv {

// ---------------------------------------------------------------------------------------------
// Display modes

int32_t StrToInt(const std::string& text)
{
    const ConversionError error("'" + text + "' is not a valid integer value");
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        throw error;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c)))
            digit = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        if (digit < 0)
            throw error;
        value = value * base + digit;
        if (value > int64_t{INT32_MAX} + 1)
            throw error;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        throw error;
    return static_cast<int32_t>(value);
}

std::string FormatDisplayMode(int32_t width, int32_t height, int32_t bits, int32_t refresh)
{
    return std::to_string(width) + "x" + std::to_string(height) + " " + std::to_string(bits) +
           "bpp " + std::to_string(refresh) + "Hz";
}

void AddDisplayMode(std::vector<std::string>& list, int32_t width, int32_t height, int32_t bits,
                    int32_t refresh)
{
    if (bits < 32)
        return;
    const std::string entry = FormatDisplayMode(width, height, bits, refresh);
    if (std::find(list.begin(), list.end(), entry) == list.end())
        list.push_back(entry);
}

void EnumDisplayModes(std::vector<std::string>& list)
{
    list.clear();
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode{};
        if (SDL_GetDisplayMode(0, i, &mode) != 0)
            break;
        AddDisplayMode(list, mode.w, mode.h, SDL_BYTESPERPIXEL(mode.format) * 8, mode.refresh_rate);
    }
}

void ParseDisplayMode(const std::string& entry)
{
    // The parts are cut where the format puts them; a part that is not a number throws.
    std::string rest = entry;
    auto cut = [&rest](const std::string& until, size_t drop) {
        const size_t at = rest.find(until);
        std::string part = rest.substr(0, at);
        rest =
            at == std::string::npos ? std::string() : rest.substr(std::min(rest.size(), at + drop));
        return part;
    };
    const std::string width = cut("x", 1);
    const std::string height = cut(" ", 1);
    const std::string bits = cut("b", 4);
    const std::string refresh = rest.size() >= 2 ? rest.substr(0, rest.size() - 2) : std::string();
    tDemoParameters& p = DemoParameters;
    p.ScreenWidth = StrToInt(width);
    p.ScreenHeight = StrToInt(height);
    p.ColorBits = StrToInt(bits);
    p.RefreshRate = StrToInt(refresh);
}

bool TakeFirstDisplayMode()
{
    std::vector<std::string> list;
    EnumDisplayModes(list);
    if (list.empty())
        return false;
    ParseDisplayMode(list.front());
    return true;
}

// ---------------------------------------------------------------------------------------------
// The form

namespace {

constexpr int FormWidth = 234;
constexpr int FormHeight = 393;

SDL_Window* form = nullptr;
SDL_GLContext formContext = nullptr;
ImGuiContext* imgui = nullptr;
GLuint logoTexture = 0;

std::vector<std::string> ListBox1;
int selected = -1;
bool modeTaken = false; // a mouse button went down on the list
bool CheckBox1 = true;
bool scrollToSelected = false; // the keys moved the selection: bring it into view
bool playChosen = false;       // Enter, or a double-click on a mode
// SDL counts clicks by the events' own times, so a double-click holds even when frames are slow.
bool doubleClick = false;

// Drag state of the logo: the form's position and the mouse's (screen) position at the start.
bool dragging = false;
int dragFormX = 0;
int dragFormY = 0;
int dragMouseX = 0;
int dragMouseY = 0;

std::chrono::steady_clock::time_point timerStart;

void FormCreate()
{
    EnumDisplayModes(ListBox1);
    selected = ListBox1.empty() ? -1 : 0;
    DemoParameters.MusicFile = "plomarind.mp3";
}

void ListBox1MouseDown()
{
    modeTaken = true;
    if (selected >= 0 && selected < static_cast<int>(ListBox1.size()))
        ParseDisplayMode(ListBox1[static_cast<size_t>(selected)]);
}

// Up and Down move the selection and take its mode, as a click on it would.
void MoveSelection(int step)
{
    if (ListBox1.empty())
        return;
    selected = std::clamp(selected + step, 0, static_cast<int>(ListBox1.size()) - 1);
    scrollToSelected = true;
    ListBox1MouseDown();
}

// The form's keys: Up/Down choose the mode, Enter plays, Space ticks "Fullscreen", Escape
// closes like "X".
void FormKey(const SDL_KeyboardEvent& key, bool* close)
{
    switch (key.keysym.sym) {
    case SDLK_UP:
        MoveSelection(-1);
        break;
    case SDLK_DOWN:
        MoveSelection(1);
        break;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        if (key.repeat == 0)
            playChosen = true;
        break;
    case SDLK_SPACE:
        if (key.repeat == 0)
            CheckBox1 = !CheckBox1;
        break;
    case SDLK_ESCAPE:
        *close = true;
        break;
    default:
        break;
    }
}

void TimerTick()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - timerStart >= std::chrono::seconds(1)) {
        timerStart += std::chrono::seconds(1);
        if (now - timerStart >= std::chrono::seconds(1))
            timerStart = now; // after a long stall, one tick, not a burst
        PlayerFormTimer();
    }
}

// Draws the form; true when Play was pressed.
bool DrawForm(bool* close)
{
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(ImVec2(FormWidth, FormHeight));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, 0.0f);
    ImGui::PushStyleColor(ImGuiCol_WindowBg, IM_COL32(0, 0, 0, 255));
    ImGui::Begin("PlayerForm", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus);

    // Panel1 / Image1: the logo, which drags the form.
    ImGui::SetCursorPos(ImVec2(0, 0));
    ImGui::Image(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(logoTexture)),
                 ImVec2(LogoWidth, LogoHeight));
    if (ImGui::IsItemHovered())
        ImGui::SetMouseCursor(ImGuiMouseCursor_ResizeAll);
    if (ImGui::IsItemHovered() && ImGui::IsMouseClicked(ImGuiMouseButton_Left)) {
        dragging = true;
        SDL_GetWindowPosition(form, &dragFormX, &dragFormY);
        SDL_GetGlobalMouseState(&dragMouseX, &dragMouseY);
    }
    if (dragging) {
        if (!ImGui::IsMouseDown(ImGuiMouseButton_Left)) {
            dragging = false;
        } else {
            int x = 0;
            int y = 0;
            SDL_GetGlobalMouseState(&x, &y);
            SDL_SetWindowPosition(form, dragFormX - (dragMouseX - x), dragFormY - (dragMouseY - y));
        }
    }

    // Panel3 / ListBox1.
    ImGui::SetCursorPos(ImVec2(8, 81 + 8));
    ImGui::PushStyleColor(ImGuiCol_ChildBg, IM_COL32(0, 0, 0, 255));
    ImGui::PushStyleColor(ImGuiCol_Border, IM_COL32(90, 90, 90, 255));
    ImGui::PushStyleColor(ImGuiCol_Text, IM_COL32(255, 255, 255, 255));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(0, 2));
    ImGui::BeginChild("ListBox1", ImVec2(FormWidth - 16, 259 - 16), true);
    for (size_t i = 0; i < ListBox1.size(); ++i) {
        ImGui::PushID(static_cast<int>(i));
        ImGui::Selectable(ListBox1[i].c_str(), selected == static_cast<int>(i), 0, ImVec2(0, 13));
        // The list box selects on the press, before the mouse-down handler reads it.
        if (ImGui::IsItemHovered() && ImGui::IsMouseClicked(ImGuiMouseButton_Left))
            selected = static_cast<int>(i);
        if (ImGui::IsItemHovered() &&
            (doubleClick || ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left))) {
            selected = static_cast<int>(i);
            ListBox1MouseDown();
            playChosen = true;
        }
        if (scrollToSelected && selected == static_cast<int>(i)) {
            ImGui::SetScrollHereY();
            scrollToSelected = false;
        }
        ImGui::PopID();
    }
    const bool listHovered = ImGui::IsWindowHovered(ImGuiHoveredFlags_ChildWindows);
    ImGui::EndChild();
    ImGui::PopStyleVar();
    ImGui::PopStyleColor(3);
    if (listHovered && (ImGui::IsMouseClicked(ImGuiMouseButton_Left) ||
                        ImGui::IsMouseClicked(ImGuiMouseButton_Right) ||
                        ImGui::IsMouseClicked(ImGuiMouseButton_Middle)))
        ListBox1MouseDown();

    // Panel2: CheckBox1, Button1 ("Play"), Button2 ("X"). Play starts after the check box's
    // label, so that the label is never drawn under it whatever the font.
    const float panelTop = 81 + 259;
    ImGui::SetCursorPos(ImVec2(8, panelTop + 16));
    ImGui::Checkbox("Fullscreen", &CheckBox1);
    const float labelEnd = ImGui::GetItemRectMax().x - ImGui::GetWindowPos().x;
    const float playLeft = std::max(96.0f, std::ceil(labelEnd) + 6.0f);
    ImGui::SetCursorPos(ImVec2(playLeft, panelTop + 8));
    const bool play = ImGui::Button("Play", ImVec2(192 - 7 - playLeft, 33));
    ImGui::SetCursorPos(ImVec2(192, panelTop + 8));
    if (ImGui::Button("X", ImVec2(33, 33)))
        *close = true;

    ImGui::End();
    ImGui::PopStyleColor();
    ImGui::PopStyleVar(3);
    ImGui::Render();
    int w = 0;
    int h = 0;
    SDL_GL_GetDrawableSize(form, &w, &h);
    glViewport(0, 0, w, h);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    SDL_GL_SwapWindow(form);
    return play || playChosen;
}

} // namespace

bool CreatePlayerForm(bool fullscreenChecked, bool modeGiven)
{
    CheckBox1 = fullscreenChecked;
    modeTaken = modeGiven;
    playChosen = false;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    form = SDL_CreateWindow("PLOMARIND Demo by Qem", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                            FormWidth, FormHeight,
                            SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (form == nullptr)
        return false;
    formContext = SDL_GL_CreateContext(form);
    if (formContext == nullptr) {
        SDL_DestroyWindow(form);
        form = nullptr;
        return false;
    }
    SDL_GL_MakeCurrent(form, formContext);
    SDL_GL_SetSwapInterval(1);

    IMGUI_CHECKVERSION();
    imgui = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr; // the launcher keeps no state
    io.LogFilename = nullptr;
    ImGui::StyleColorsDark();
    ImGui_ImplSDL2_InitForOpenGL(form, formContext);
    ImGui_ImplOpenGL2_Init();

    const std::vector<uint8_t> logo = MakeLogoPixels();
    glGenTextures(1, &logoTexture);
    glBindTexture(GL_TEXTURE_2D, logoTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, LogoWidth, LogoHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 logo.data());

    FormCreate();
    timerStart = std::chrono::steady_clock::now();
    return true;
}

SDL_Window* PlayerFormWindow()
{
    return form;
}

bool RunPlayerForm()
{
    if (form == nullptr)
        return false;
    SDL_ShowWindow(form);
    SDL_RaiseWindow(form);
    // The screen saver may run while only the launcher shows.
    SDL_EnableScreenSaver();
    for (;;) {
        SDL_Event event;
        bool close = false;
        if (SDL_WaitEventTimeout(&event, 50)) {
            do {
                ImGui_ImplSDL2_ProcessEvent(&event);
                if (event.type == SDL_QUIT) {
                    CheckWaylandDisplay();
                    close = true;
                }
                if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE &&
                    event.window.windowID == SDL_GetWindowID(form))
                    close = true;
                if (event.type == SDL_KEYDOWN && event.key.windowID == SDL_GetWindowID(form))
                    FormKey(event.key, &close);
                if (event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BUTTON_LEFT &&
                    event.button.clicks >= 2)
                    doubleClick = true;
            } while (SDL_PollEvent(&event));
        }
        TimerTick();
        if (close || QuitSignalled())
            return false;
        SDL_GL_MakeCurrent(form, formContext);
        const bool played = DrawForm(&close);
        doubleClick = false;
        if (played) {
            // Play before any mode was taken from the list plays the preselected entry.
            if (!modeTaken && selected >= 0)
                ParseDisplayMode(ListBox1[static_cast<size_t>(selected)]);
            DemoParameters.FullScreen = CheckBox1;
            return true;
        }
        if (close)
            return false;
    }
}

void HidePlayerForm()
{
    if (form != nullptr)
        SDL_HideWindow(form);
}

uint32_t PlayerFormTimer()
{
    const uint32_t frames = FrameCount;
    if (form != nullptr)
        SDL_SetWindowTitle(form,
                           ("Qem's DemoEditor v0.1 [FPS:" + std::to_string(frames) + "]").c_str());
    FrameCount = 0;
    return frames;
}

void ClosePlayerForm()
{
    if (form == nullptr)
        return;
    SDL_GL_MakeCurrent(form, formContext);
    if (logoTexture != 0)
        glDeleteTextures(1, &logoTexture);
    logoTexture = 0;
    ImGui_ImplOpenGL2_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext(imgui);
    imgui = nullptr;
    SDL_GL_MakeCurrent(form, nullptr);
    SDL_GL_DeleteContext(formContext);
    formContext = nullptr;
    SDL_DestroyWindow(form);
    form = nullptr;
}

} // namespace quv
