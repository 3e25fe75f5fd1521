#include "server/library/tools/song_synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quilla::server::library::tools {
namespace {

constexpr double kRate = kDemoSampleRate;
constexpr double kTwoPi = 2 * std::numbers::pi;

// A small deterministic generator: the same numbers on every platform and library.
class Dice {
 public:
  explicit Dice(unsigned seed) : state_(seed * 2654435761u + 1) {}
  unsigned Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<unsigned>(n)); }
  double Unit() { return (Next() & 0xFFFFFF) / double(0x1000000); }  // [0, 1)
  double Noise() { return Unit() * 2 - 1; }                          // [-1, 1)

 private:
  unsigned state_;
};

double Frequency(double midi) {
  return 440.0 * std::pow(2.0, (midi - 69) / 12);
}

// Two channels of float samples that notes are added into.
class Mix {
 public:
  explicit Mix(double seconds) : left_(std::size_t(seconds * kRate) + 1), right_(left_.size()) {}

  // Adds `length` seconds from `start` of the sound `at(t)` (t in seconds from the note's
  // start), panned from -1 (left) to 1 (right).
  template <typename Sound>
  void Add(double start, double length, double pan, Sound at) {
    const auto first = static_cast<std::size_t>(start * kRate);
    const auto count = static_cast<std::size_t>(length * kRate);
    const double l = std::sqrt(0.5 * (1 - pan)), r = std::sqrt(0.5 * (1 + pan));
    for (std::size_t i = 0; i < count && first + i < left_.size(); ++i) {
      const double v = at(i / kRate);
      left_[first + i] += v * l;
      right_[first + i] += v * r;
    }
  }

  std::size_t size() const { return left_.size(); }
  float& left(std::size_t i) { return left_[i]; }
  float& right(std::size_t i) { return right_[i]; }

 private:
  std::vector<float> left_, right_;
};

// Attack, hold until `length`, then release; 0 afterwards.
double Envelope(double t, double length, double attack, double release) {
  if (t < attack) return t / attack;
  if (t < length) return 1;
  return std::max(0.0, 1 - (t - length) / release);
}

void PlayLead(Mix& mix, Lead lead, double start, double length, double midi, double velocity,
              Dice& dice) {
  const double f = Frequency(midi);
  const double pan = -0.15;
  switch (lead) {
    case Lead::kPluck: {
      // Karplus-Strong: a burst of noise circulating through a softening delay line.
      std::vector<double> line(static_cast<std::size_t>(kRate / f) + 1);
      for (double& v : line) v = dice.Noise();
      std::size_t at = 0;
      const double ring = length + 0.6;
      mix.Add(start, ring, pan, [&, previous = 0.0](double t) mutable {
        const std::size_t next = (at + 1) % line.size();
        const double out = line[at];
        line[at] = 0.996 * 0.5 * (line[at] + line[next]);
        at = next;
        const double fade = t > length ? std::max(0.0, 1 - (t - length) / 0.6) : 1;
        const double smooth = 0.6 * out + 0.4 * previous;
        previous = out;
        return 0.32 * velocity * smooth * fade;
      });
      break;
    }
    case Lead::kFlute:
      mix.Add(start, length + 0.15, pan, [&](double t) {
        const double vibrato = t > 0.2 ? 0.004 * std::sin(kTwoPi * 5.2 * t) : 0;
        const double phase = kTwoPi * f * t * (1 + vibrato);
        const double tone =
            std::sin(phase) + 0.22 * std::sin(2 * phase) + 0.08 * std::sin(3 * phase);
        return 0.22 * velocity * Envelope(t, length, 0.07, 0.15) * (tone + 0.03 * dice.Noise());
      });
      break;
    case Lead::kBell:
      // A music box: frequency modulation that fades to a pure ring.
      mix.Add(start, std::max(length, 1.2), pan, [&](double t) {
        const double index = 2.2 * std::exp(-t / 0.25);
        const double tone = std::sin(kTwoPi * f * t + index * std::sin(kTwoPi * 3.5 * f * t));
        return 0.22 * velocity * std::min(1.0, t / 0.003) * std::exp(-t / 0.7) * tone;
      });
      break;
    case Lead::kEPiano:
      mix.Add(start, length + 0.3, pan, [&](double t) {
        const double index = 1.3 * std::exp(-t / 0.35);
        const double tone = std::sin(kTwoPi * f * t + index * std::sin(kTwoPi * f * t)) +
                            0.12 * std::exp(-t / 0.05) * std::sin(kTwoPi * 14 * f * t);
        return 0.26 * velocity * Envelope(t, length, 0.004, 0.3) * std::exp(-t / 1.5) * tone;
      });
      break;
    case Lead::kSquare:
    case Lead::kDrive: {
      // Band-limited square (odd harmonics) or sawtooth (all), two voices a little apart.
      const bool square = lead == Lead::kSquare;
      const double ceiling = square ? 7000 : 5000;
      mix.Add(start, length + 0.1, pan, [&](double t) {
        double tone = 0;
        for (const double detune : {0.997, 1.003}) {
          for (int n = 1; n * f * detune < ceiling; n += square ? 2 : 1) {
            tone += std::sin(kTwoPi * n * f * detune * t) / n;
          }
        }
        if (!square) tone = std::tanh(1.8 * tone) * 0.8;  // an overdriven amplifier
        return 0.11 * velocity * Envelope(t, length, 0.008, 0.1) * tone;
      });
      break;
    }
  }
}

void PlayPad(Mix& mix, double start, double length, const std::vector<int>& notes) {
  for (std::size_t k = 0; k < notes.size(); ++k) {
    const double f = Frequency(notes[k]);
    const double pan = k == 0 ? -0.5 : k == 1 ? 0.5 : 0;
    mix.Add(start, length + 0.5, pan, [&](double t) {
      const double phase = kTwoPi * f * t;
      const double tone = std::sin(phase) + 0.3 * std::sin(2 * phase) + 0.1 * std::sin(3 * phase);
      return 0.06 * Envelope(t, length, 0.3, 0.5) * tone;
    });
  }
}

void PlayBass(Mix& mix, double start, double length, int midi) {
  const double f = Frequency(midi);
  mix.Add(start, length + 0.05, 0, [&](double t) {
    const double phase = kTwoPi * f * t;
    const double tone = std::sin(phase) + 0.45 * std::sin(2 * phase) + 0.15 * std::sin(3 * phase);
    return 0.2 * Envelope(t, length * 0.9, 0.005, 0.05) * std::exp(-t / 0.6) * tone;
  });
}

void Kick(Mix& mix, double start, double level) {
  mix.Add(start, 0.45, 0, [level, phase = 0.0](double t) mutable {
    phase += kTwoPi * (48 + 80 * std::exp(-t / 0.035)) / kRate;
    return level * 0.55 * std::exp(-t / 0.16) * std::sin(phase);
  });
}

void Snare(Mix& mix, double start, double level, Dice& dice) {
  mix.Add(start, 0.3, 0.05, [&, level](double t) {
    return level * (0.22 * std::exp(-t / 0.1) * dice.Noise() +
                    0.18 * std::exp(-t / 0.06) * std::sin(kTwoPi * 190 * t));
  });
}

void Hat(Mix& mix, double start, double level, Dice& dice) {
  mix.Add(start, 0.12, 0.3, [&, level, previous = 0.0](double t) mutable {
    const double noise = dice.Noise();
    const double bright = noise - previous;  // a first difference keeps the hiss, not the thud
    previous = noise;
    return level * 0.07 * std::exp(-t / 0.025) * bright;
  });
}

void PlayDrums(Mix& mix, Drums drums, double bar_start, double beat, Dice& dice) {
  for (int eighth = 0; eighth < 8; ++eighth) {
    const double t = bar_start + eighth * beat / 2;
    const bool on_beat = eighth % 2 == 0;
    const int beat_number = eighth / 2;  // 0..3
    switch (drums) {
      case Drums::kNone:
        break;
      case Drums::kLight:
        if (eighth == 0) Kick(mix, t, 0.6);
        if (eighth == 4) Kick(mix, t, 0.45);
        Hat(mix, t, on_beat ? 0.7 : 0.4, dice);
        break;
      case Drums::kPop:
        if (eighth == 0 || eighth == 5) Kick(mix, t, 0.9);
        if (on_beat && (beat_number == 1 || beat_number == 3)) Snare(mix, t, 0.9, dice);
        Hat(mix, t, on_beat ? 0.9 : 0.5, dice);
        break;
      case Drums::kFourOnTheFloor:
        if (on_beat) Kick(mix, t, 1.0);
        if (on_beat && (beat_number == 1 || beat_number == 3)) Snare(mix, t, 0.7, dice);
        if (!on_beat) Hat(mix, t, 1.2, dice);
        break;
      case Drums::kRock:
        if (eighth == 0 || eighth == 3 || eighth == 4) Kick(mix, t, 1.0);
        if (on_beat && (beat_number == 1 || beat_number == 3)) Snare(mix, t, 1.2, dice);
        Hat(mix, t, 1.0, dice);
        break;
    }
  }
}

// The song's notes: scale steps for the melody, triads for the harmony.
struct Key {
  int root;
  std::vector<int> melody_steps;   // semitones above the root of one octave of the melody scale
  std::vector<int> harmony_steps;  // seven steps the chords are built on

  // The chord on scale degree `degree`: pitch classes (0..11, relative to the root).
  std::vector<int> ChordClasses(int degree) const {
    std::vector<int> classes;
    for (int k = 0; k < 3; ++k) classes.push_back(harmony_steps[(degree + 2 * k) % 7] % 12);
    return classes;
  }
};

Key KeyOf(const DemoSong& song) {
  static const std::vector<int> kMajor = {0, 2, 4, 5, 7, 9, 11};
  static const std::vector<int> kMinor = {0, 2, 3, 5, 7, 8, 10};
  switch (song.scale) {
    case Scale::kMajor:
      return {song.root_midi, kMajor, kMajor};
    case Scale::kMinor:
      return {song.root_midi, kMinor, kMinor};
    case Scale::kPentatonic:
      return {song.root_midi, {0, 2, 4, 7, 9}, kMajor};
  }
  return {song.root_midi, kMajor, kMajor};
}

// One phrase of melody: notes as (start, length) in eighths and a step index.
struct PhraseNote {
  int start, length, step;
};

// Rhythms of a two-bar phrase, in eighths (16 in all); the last note is held.
const std::vector<std::vector<int>>& Rhythms() {
  static const std::vector<std::vector<int>> rhythms = {
      {2, 2, 2, 2, 2, 2, 4},    {1, 1, 2, 2, 2, 1, 1, 2, 4}, {3, 1, 2, 2, 3, 1, 4},
      {2, 1, 1, 2, 2, 2, 2, 4}, {2, 2, 1, 1, 2, 2, 6},
  };
  return rhythms;
}

// A melody over the phrase's two chords, walking the scale by small steps and landing on
// chord notes on the strong beats.
std::vector<PhraseNote> ComposePhrase(const Key& key, const std::vector<int>& rhythm,
                                      int first_chord, int second_chord, bool final, Dice& dice) {
  const int steps_per_octave = static_cast<int>(key.melody_steps.size());
  const int highest = steps_per_octave + steps_per_octave / 2;
  const auto pitch_class = [&](int step) {
    return key.melody_steps[static_cast<std::size_t>(step % steps_per_octave)] % 12;
  };
  const auto snap = [&](int step, const std::vector<int>& chord) {
    for (int distance = 0; distance <= 3; ++distance) {
      for (const int candidate : {step - distance, step + distance}) {
        if (candidate < 0 || candidate > highest) continue;
        if (std::find(chord.begin(), chord.end(), pitch_class(candidate)) != chord.end())
          return candidate;
      }
    }
    return step;
  };
  std::vector<PhraseNote> notes;
  int step = steps_per_octave / 2 + dice.Below(3);
  int at = 0;
  static const int kMoves[] = {-2, -1, -1, 0, 1, 1, 1, 2, -3, 3};
  for (std::size_t i = 0; i < rhythm.size(); ++i) {
    step = std::clamp(step + kMoves[dice.Below(10)], 0, highest);
    const std::vector<int> chord = key.ChordClasses(at < 8 ? first_chord : second_chord);
    const bool last = i + 1 == rhythm.size();
    if (at % 4 == 0 || last) step = snap(step, chord);
    if (last && final) step = steps_per_octave;  // home: the tonic an octave up
    notes.push_back({at, rhythm[i], step});
    at += rhythm[i];
  }
  return notes;
}

}  // namespace

RenderedSong RenderSong(const DemoSong& song) {
  const Key key = KeyOf(song);
  const double beat = 60.0 / song.tempo_bpm;
  const double bar = 4 * beat;
  const int phrases = static_cast<int>(song.lines.size());
  const int bars = 2 + 2 * phrases + 2;  // intro, a phrase a line, outro
  RenderedSong rendered;
  rendered.seconds = bars * bar + 1.5;  // and a moment for the last notes to ring
  Mix mix(rendered.seconds);
  Dice dice(song.seed);

  const auto chord_of_bar = [&](int b) { return b >= bars - 1 ? 0 : song.chords[b % 4]; };
  for (int b = 0; b < bars; ++b) {
    const double start = b * bar;
    const std::vector<int> classes = key.ChordClasses(chord_of_bar(b));
    std::vector<int> pad;
    for (const int pc : classes) pad.push_back(key.root - 12 + pc + (pc < 5 ? 12 : 0));
    const bool last = b == bars - 1;
    PlayPad(mix, start, last ? 2 * bar : bar, pad);
    const int bass = key.root - 24 + classes[0];
    for (int q = 0; q < (last ? 1 : 4); ++q) {
      const bool octave = song.drums == Drums::kFourOnTheFloor && q % 2 == 1;
      PlayBass(mix, start + q * beat, last ? 2 * bar : beat, bass + (octave ? 12 : 0));
    }
    if (!last) PlayDrums(mix, song.drums, start, beat, dice);
  }

  // Two melodies, A and B, alternate; each comes back with a new ending.
  const std::vector<int>& rhythm_a = Rhythms()[static_cast<std::size_t>(dice.Below(5))];
  const std::vector<int>& rhythm_b = Rhythms()[static_cast<std::size_t>(dice.Below(5))];
  Dice melody_a(song.seed * 7 + 1), melody_b(song.seed * 7 + 2);
  const unsigned a_seed = melody_a.Next(), b_seed = melody_b.Next();
  const double eighth = beat / 2;
  for (int p = 0; p < phrases; ++p) {
    const int first_bar = 2 + 2 * p;
    const bool is_a = p % 2 == 0;
    Dice phrase_dice(is_a ? a_seed : b_seed);
    const bool final = p + 1 == phrases;
    std::vector<PhraseNote> notes =
        ComposePhrase(key, is_a ? rhythm_a : rhythm_b, chord_of_bar(first_bar),
                      chord_of_bar(first_bar + 1), final, phrase_dice);
    if (p >= 2 && !final) {
      // The return of a melody ends elsewhere, so it does not sound pasted.
      notes.back().step = std::max(0, notes.back().step + (dice.Below(2) ? 2 : -2));
    }
    const double phrase_start = first_bar * bar;
    rendered.line_starts.push_back(phrase_start);
    const int steps_per_octave = static_cast<int>(key.melody_steps.size());
    for (const PhraseNote& note : notes) {
      const int midi = key.root + 12 * (note.step / steps_per_octave) +
                       key.melody_steps[static_cast<std::size_t>(note.step % steps_per_octave)];
      const double velocity = note.start % 4 == 0 ? 1.0 : 0.8;
      PlayLead(mix, song.lead, phrase_start + note.start * eighth, note.length * eighth * 0.92,
               midi, velocity, dice);
    }
  }

  // Fade over the last bar and the ring, then scale to a healthy level.
  const double fade_start = (bars - 1) * bar;
  float peak = 0;
  for (std::size_t i = 0; i < mix.size(); ++i) {
    const double t = i / kRate;
    const double gain =
        t < fade_start ? 1 : std::max(0.0, 1 - (t - fade_start) / (rendered.seconds - fade_start));
    mix.left(i) = static_cast<float>(mix.left(i) * gain);
    mix.right(i) = static_cast<float>(mix.right(i) * gain);
    peak = std::max({peak, std::abs(mix.left(i)), std::abs(mix.right(i))});
  }
  const double scale = peak > 0 ? 0.89 * 32767 / peak : 0;
  rendered.pcm.reserve(mix.size() * 2);
  for (std::size_t i = 0; i < mix.size(); ++i) {
    rendered.pcm.push_back(static_cast<std::int16_t>(std::lround(mix.left(i) * scale)));
    rendered.pcm.push_back(static_cast<std::int16_t>(std::lround(mix.right(i) * scale)));
  }
  return rendered;
}

}  // namespace quilla::server::library::tools
