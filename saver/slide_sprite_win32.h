// The slide of the slideshow: one still picture brought onto the screen and
// taken off again by a transition effect.  The step geometry comes from
// saver/geometry/effects.h; this class executes it with GDI copies into the
// saver's canvas, through the slide's visible region and frame shape.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "saver/geometry/effects.h"
#include "saver/sprite_win32.h"

class SlideSprite : public Sprite {
  public:
    // `rain` is the cell order shared by every slide of the run.
    explicit SlideSprite(saver::RainTable& rain);

    // Starts the effect afresh at the next step (copies 1:1, not done).
    void Restart();
    // One frame of the running effect: the frame outline, then the step's pieces
    // clipped to the visible region and the frame shape.  The effect advances even
    // when nothing of the slide is visible.  Returns false exactly on the frame in
    // which the effect completes (also kept in Completed()).
    bool Step(HDC canvas) override;
    bool Completed() const { return completed_; }

    // The effect in use, whether it runs as an erase, and the transition speed.
    saver::EffectState state;
    // Image-size options (saver::SizeFlag bits) used by every load of the run.
    int sizeFlags = 0;
    // What the last step drew (for inspection by the slideshow's tests).
    const saver::StepOutput& LastStep() const { return out_; }

  private:
    void DrawPieces(HDC canvas);
    // Rain's cells, copied as row runs; false (nothing drawn) when the pieces are not
    // in-place cells.
    bool DrawRainRuns(HDC canvas);

    saver::RainTable& rain_;
    saver::StepOutput out_;
    std::vector<int> cellPiece_; // rain: the piece of each cell this step, -1 for none
    bool completed_ = false;
};

// Draws the caption of a slideshow picture into the slide's bitmap: the entry's
// caption, or with the file-name option the file's name without folder and
// extension; in the caption font and colour, at the configured position.
void DrawCaption(Sprite& slide, const std::string& fileName, const std::string& entryCaption);
