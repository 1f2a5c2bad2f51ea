#pragma once
// A style plays in the song's meter. Every style is written for one meter
// (4/4, 3/4 or 7/8) but a song is always in 4/4 or 3/4: the active style is
// fitted to the song before a composition, with its own variants where the
// generators have them (the drum patterns' waltz and straight grids) and a
// derived variant otherwise. A style written for 3/4 plays in 4/4 as a ballad
// feel of the same instruments (the first half of its bar twice: oom-pah
// becomes oom-pah-oom-pah); a 4/4 style in 3/4 drops its fourth beat; a 7/8
// style plays its 4/4 or 3/4 form.

#include <string_view>

#include "arrange/style_catalogue.h"
#include "arrange/style_record.h"

namespace songloom::arrange {

// "4/4", "3/4" or "7/8": the meter a style was written for.
std::string_view MeterText(int meter);

// The meter code of a song's beats per bar: kMeter34 for 3, else kMeter44.
int SongMeter(int beatsPerBar);

// Whether the style was written for the song's meter.
bool StyleWrittenFor(const StyleRecord& style, int beatsPerBar);

// Fits a copy of a catalogue style (the active style) to a song of
// beatsPerBar: meter, bar plan, step grids and the patterns that only make
// sense in the written meter. A style already in the song's meter is left as
// it is, so its renders do not change.
void FitStyleToMeter(StyleRecord& style, int beatsPerBar);

// The step grids of a 3/4 bar played in 4/4: the first half bar of every
// melodic and drum grid repeated into the second (steps per beat: 4 straight,
// 3 triplet).
void RepeatHalfBar(GridBlock& grids, int stepsPerBeat);

// The catalogue slot a new or imported song of beatsPerBar starts with: the
// first pop style written for that meter (0/1 for 4/4, 0/23 for 3/4).
struct StyleSlot {
    int category = 0;
    int slot = 1;
    bool operator==(const StyleSlot&) const = default;
};
StyleSlot DefaultStyleForMeter(const StyleCatalogue& catalogue, int beatsPerBar);

// The style a song read from a MIDI file in beatsPerBar takes: the one it
// had when that was written for the meter, else the meter's default.
StyleSlot StyleForImportedSong(const StyleCatalogue& catalogue, StyleSlot chosen, int beatsPerBar);

// The style of a song whose meter became beatsPerBar: the other meter's
// default (a style nobody chose) gives way to this meter's; any other style
// stays, and plays fitted to the meter.
StyleSlot StyleAfterMeterChange(const StyleCatalogue& catalogue, StyleSlot current, int beatsPerBar);

}  // namespace songloom::arrange
