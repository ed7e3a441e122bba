// The saver window's animated sprites: set-up, periodic reload, and every
// frame's visible regions and movement over the drawing order.
#include "app/settings.h"
#include "common/crt_random.h"
#include "saver/saver_window_win32.h"

bool SaverWindow::LoadNextSpriteFile(AnimatedSprite& sprite) {
    while (!spriteFileList.empty()) {
        if (nextSpriteFile >= int(spriteFileList.size())) nextSpriteFile = 0;
        if (sprite.LoadFile(spriteFileList[size_t(nextSpriteFile)], screenRect, 0)) {
            if (IsOptionOn(10038)) {
                int n = RandomIndex(CrtRand(), sprite.FrameCount());
                for (sprite.current = 0; sprite.current < n; ++sprite.current) sprite.ComposeFrame();
                sprite.current = n;
            }
            ++nextSpriteFile;
            return true;
        }
        // A file that cannot be an animated sprite is dropped; its successor moves up.
        spriteFileList.erase(spriteFileList.begin() + nextSpriteFile);
    }
    return false;
}

void SaverWindow::SetUpSprites() {
    if (!trueColorDisplay) {
        spritesOn = false;
        return;
    }
    if (spritesOn && !spriteFileList.empty()) {
        size_t first = size_t(firstSpriteIndex);
        size_t count = g_Settings.floats.Count;
        for (size_t i = 0; i < count; ++i) pictureList.push_back(std::make_unique<AnimatedSprite>());
        for (size_t i = first; i < pictureList.size(); ++i) {
            auto& sprite = static_cast<AnimatedSprite&>(*pictureList[i]);
            int r1 = CrtRand(), r2 = CrtRand();
            sprite.dy = r1 >= 16384 ? -1 : 1;
            sprite.dx = r2 >= 16384 ? -1 : 1;
            sprite.bounds = screenRect;
            sprite.placement = 1;
            if (!LoadNextSpriteFile(sprite)) {
                spritesOn = false;
                pictureList.resize(first);
                return;
            }
            sprite.placement = 0;
            sprite.bounds = confineRect;
        }
    }
    spritesLoaded = true;
    if (spriteFileList.empty()) spritesOn = false;
}

bool SaverWindow::ReloadSprite(Sprite& sprite) {
    Invalidate(sprite.rect);
    sprite.bounds = screenRect;
    bool ok = LoadNextSpriteFile(static_cast<AnimatedSprite&>(sprite));
    sprite.bounds = confineRect;
    return ok;
}

void SaverWindow::UpdateRegionsAndMove() {
    HRGN covered = nullptr;  // what opaque pictures above have claimed
    // Everything that changed is invalidated in one call at the end: each call
    // is a round trip to the window system.
    HRGN changed = CreateRectRgn(0, 0, 0, 0);
    GdiObject<HRGN> drawn(CreateRectRgn(0, 0, 0, 0)); // the canvas the pictures will cover
    auto invalidate = [&](const RECT& r) {
        HRGN add = CreateRectRgnIndirect(&r);
        CombineRgn(changed, changed, add, RGN_OR);
        DeleteObject(add);
    };
    for (size_t i = pictureList.size(); i-- > 0;) {
        Sprite& s = *pictureList[i];
        RECT old = s.rect;
        bool isSlide = slide && i == 0;
        if (!isSlide && moveNow) {
            s.dx = s.dx >= 0 ? moveStep : -moveStep;
            s.dy = s.dy >= 0 ? moveStep : -moveStep;
            s.Move();
        }
        RECT onScreen;
        if (IntersectRect(&onScreen, &s.rect, &screenRect)) {
            HRGN r = CreateRectRgnIndirect(&onScreen);
            if (drawn) CombineRgn(drawn.Get(), drawn.Get(), r, RGN_OR);
            RECT both;
            UnionRect(&both, &onScreen, &old);
            invalidate(both);
            bool occluder = !s.transparent && s.frameShape <= 1 && i != 0;
            if (covered) {
                CombineRgn(r, r, covered, RGN_DIFF);
                if (occluder) CombineRgn(covered, covered, r, RGN_OR);
            } else if (occluder) {
                covered = CreateRectRgn(0, 0, 0, 0);
                CombineRgn(covered, r, nullptr, RGN_COPY);
            }
            s.SetVisibleRegion(r);
        } else {
            invalidate(old);
            s.SetVisibleRegion(nullptr);  // off the screen: not drawn, leaves nothing behind
        }
    }
    if (covered) DeleteObject(covered);
    InvalidateRgn(Handle(), changed, FALSE);
    DeleteObject(changed);
    // The background goes back under the last frame's pictures and this frame's;
    // without last frame's area the whole canvas is repainted.
    changedArea_ = std::move(drawnArea_);
    if (changedArea_ && (!drawn || CombineRgn(changedArea_.Get(), changedArea_.Get(), drawn.Get(),
                                              RGN_OR) == ERROR))
        changedArea_.Reset();
    drawnArea_ = std::move(drawn);
}

void SaverWindow::StepPictures() {
    UpdateRegionsAndMove();
    PaintChangedBackground();
    for (auto& picture : pictureList) picture->Step(CanvasDC());
}
