// SaverWindow: the full-screen screensaver.  It turns the album into working
// lists, paints a background, runs a 20 ms frame timer that composes every
// frame off screen (background, slide, animated sprites), plays the sound list
// and ends on input after the system's password check.
//
// The window's parts live in separate files: saver_window_win32.cpp (start,
// frame loop, input, menu, close), sprites_win32.cpp (sprite set-up, reload,
// regions and movement), background_win32.cpp, slideshow_win32.cpp (the slide
// and its transition effects, captions, the "Loading..." text).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/picture_box_win32.h"
#include "saver/geometry/effects.h"
#include "saver/geometry/slideshow.h"
#include "saver/slide_loader_win32.h"
#include "saver/sprite_win32.h"
#include "win32/handles.h"

class SlideSprite;

// What the saver needs of the sound list player (the playlist of the saver's
// sound list); the real player implements it, tests may substitute their own.
class SaverSound {
  public:
    virtual ~SaverSound() = default;
    // Builds the saver's sound list from the album's sound entries.
    virtual std::vector<std::string> BuildList(const std::vector<std::string>& albumSounds,
                                               const std::string& albumFile, bool shuffle) = 0;
    // Plays the list from its first entry; failing entries leave it, so the list
    // (owned by the saver) must outlive the player.
    virtual void Start(std::vector<std::string>* soundList) = 0;
    virtual void Next() = 0;
    virtual void Previous() = 0;
};
// The player used unless one is set: the application's sound list player.
std::unique_ptr<SaverSound> MakeSaverSound();

class SaverWindow : public CPictureBox {
  public:
    static constexpr UINT kFrameTimer = 1;
    static constexpr UINT kFrameMs = 20;
    static constexpr UINT kMenuId = 144;
    static constexpr UINT kMenuFaster = 32771, kMenuSlower = 32772, kMenuNextSong = 32784,
                          kMenuPrevSong = 32785, kMenuExit = 32773;

    SaverWindow();
    ~SaverWindow() override;

    // Creates the window, shows the first frame and runs the modal loop; false
    // when it could not start (its message has been shown).
    bool Start();
    void RequestClose();
    void Close();
    void SetSpeedPacing();
    void SetSound(std::unique_ptr<SaverSound> sound) { sound_ = std::move(sound); }

    // ---- state, read and changed by the window's parts ----
    bool slideshowOn = false, spritesOn = false;
    RECT screenRect = {}, confineRect = {};
    DWORD cycleInterval = 0, lastCycle = 0;
    bool spritesLoaded = false;
    int moveDelay = 0, moveStep = 1, tickCounter = 0;
    bool moveNow = false;
    DWORD startTick = 0;
    bool closeRequested = false, closeConfirmed = false;
    POINT lastMouse = {-1, -1};
    bool firstUse = false;  // IsFirstUse was set at start-up: mouse moves never end the run
    bool trueColorDisplay = true;
    int colorMode = 0;
    int backgroundMode = 3;
    std::string backgroundPicture;
    COLORREF backgroundColor = 0;
    HDC backgroundDC = nullptr;
    HBITMAP backgroundBitmap = nullptr;
    std::vector<std::string> slideshowList, spriteFileList, soundList;
    // Drawing order: the slide first when the slideshow runs, then the sprites.
    std::vector<std::unique_ptr<Sprite>> pictureList;
    int firstSpriteIndex = 0;
    int nextSpriteFile = 0;
    HMENU menu = nullptr;

    // Slideshow state (slideshow_win32.cpp).
    SlideSprite* slide = nullptr;  // owned by pictureList[0] while the slideshow runs
    saver::SlideCycle slideCycle;
    saver::RainTable rainTable;
    std::vector<int> effectList;
    std::vector<int> shapeList;
    int nextSlide = 0;
    // Prepares the next picture while the current one is shown; stopped at close.
    SlideLoader slideLoader;

    // ---- the window's parts ----
    bool PrepareBackground();
    // The background over the whole canvas.
    void PaintBackground();
    // The background over the part of the canvas a frame changes: where the
    // pictures were drawn last frame and where they are now.  Everything else on
    // the canvas already shows the background, or a picture that stays put and is
    // drawn again, so the canvas ends each frame as a whole repaint would leave it.
    void PaintChangedBackground();
    void BuildLists();
    void SetUpSprites();
    bool ReloadSprite(Sprite& sprite);
    bool LoadNextSpriteFile(AnimatedSprite& sprite);
    // Moves the pictures, gives each its visible region, invalidates what changed
    // on the screen and notes the canvas's changed part.
    void UpdateRegionsAndMove();
    // Regions and movement, the background under what changed, then every
    // picture's step in drawing order.
    void StepPictures();
    bool SetUpSlideshow();
    // The hold/erase check of the frame loop (before the background is painted).
    void StartErase();
    // Next picture when due, then StepPictures; false when the slideshow ran out of pictures.
    bool StepSlideshow();
    void DrawStatusText(const char* text);
    void Invalidate(const RECT& r) { InvalidateRect(Handle(), &r, FALSE); }

  protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  private:
    void OnFrame();
    void OnMouseMove(int x, int y);
    void OnLeftButton(int x, int y);
    void OnContextMenu(int x, int y);
    void OnMenuCommand(UINT id);
    bool VerifyPassword();
    void ShowCursorAgain();
    void HideCursor();
    bool Fail(const char* message);
    void ReleaseBackground();

    std::unique_ptr<SaverSound> sound_;
    HGDIOBJ oldBackground_ = nullptr;
    GdiObject<HRGN> drawnArea_;   // canvas covered by the pictures' last steps
    GdiObject<HRGN> changedArea_; // that and what they cover now: repainted first
    bool running_ = false;
};
