#include "dialogs/voice_labels.h"

namespace {
// "0x00" to "0x7f", shared by the note and velocity lists.
constexpr const char* kHexLabels[kVoiceValueCount] = {
    "0x00", "0x01", "0x02", "0x03", "0x04", "0x05", "0x06", "0x07",
    "0x08", "0x09", "0x0a", "0x0b", "0x0c", "0x0d", "0x0e", "0x0f",
    "0x10", "0x11", "0x12", "0x13", "0x14", "0x15", "0x16", "0x17",
    "0x18", "0x19", "0x1a", "0x1b", "0x1c", "0x1d", "0x1e", "0x1f",
    "0x20", "0x21", "0x22", "0x23", "0x24", "0x25", "0x26", "0x27",
    "0x28", "0x29", "0x2a", "0x2b", "0x2c", "0x2d", "0x2e", "0x2f",
    "0x30", "0x31", "0x32", "0x33", "0x34", "0x35", "0x36", "0x37",
    "0x38", "0x39", "0x3a", "0x3b", "0x3c", "0x3d", "0x3e", "0x3f",
    "0x40", "0x41", "0x42", "0x43", "0x44", "0x45", "0x46", "0x47",
    "0x48", "0x49", "0x4a", "0x4b", "0x4c", "0x4d", "0x4e", "0x4f",
    "0x50", "0x51", "0x52", "0x53", "0x54", "0x55", "0x56", "0x57",
    "0x58", "0x59", "0x5a", "0x5b", "0x5c", "0x5d", "0x5e", "0x5f",
    "0x60", "0x61", "0x62", "0x63", "0x64", "0x65", "0x66", "0x67",
    "0x68", "0x69", "0x6a", "0x6b", "0x6c", "0x6d", "0x6e", "0x6f",
    "0x70", "0x71", "0x72", "0x73", "0x74", "0x75", "0x76", "0x77",
    "0x78", "0x79", "0x7a", "0x7b", "0x7c", "0x7d", "0x7e", "0x7f",
};
// General MIDI programs 0 to 127, spelled as the lists show them.
constexpr const char* kToneNames[kVoiceValueCount] = {
    "A. Grand Piano", "Bright A. Piano", "E. Grand Piano", "Honky-Tonk Piano", "E. Piano 1", "E. Piano 2", "Harpsicode", "Clavi",
    "Celecta", "Glockenspiel", "Music Box", "Vibraphone", "Marimba", "Xylophone", "Tubular Bells", "Dulcimer",
    "Drawber Organ", "Percussive Organ", "Rock Organ", "Church Organ", "Reed Organ", "Accordion", "Harmonica", "Tango Accordion",
    "A. Guitar nylon", "A. Guitar steel", "E. Guitar jazz", "E. Guitar clean", "E. Guitar muted", "Overdriven Guitar", "Distortion Guitar", "Guitar Harmonics",
    "A. Bass", "E. Bass finger", "E. Bass pick", "Fretless Bass", "Slap Bass 1", "Slap Bass 2", "Synth Bass 1", "Synth Bass 2",
    "Violin", "Viola", "Cello", "Contrabass", "Tremoro Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani",
    "String Ensamble 1", "String Ensamble 2", "Synth Strings 1", "Synth Strings 2", "Choir Aahs", "Voice Oohs", "Synth Voice", "Orchestra Hit",
    "Trumpet", "Trombone", "Tuba", "Muted Trumpet", "French Horn", "Brass Section", "Synth Brass 1", "Synth Brass 2",
    "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax", "Oboe", "English Horn", "Basoon", "Clarinet",
    "Piccolo", "Flute", "Recorder", "Pan Flute", "Bottle Blow", "Shakuhachi", "Whistle", "Ocarina",
    "Synth Lead 1 square", "Synth Lead 2 sawtooth", "Synth Lead 3 caliope", "Synth Lead 4 chiff", "Synth Lead 5 charang", "Synth Lead 6 voice", "Synth Lead 7 fifth", "Synth Lead 8 bass+lead",
    "Synth Pad 1 new age", "Synth Pad 2 warm", "Synth Pad 3 polysynth", "Synth Pad 4 choir", "Synth Pad 5 bowed", "Synth Pad 6 metalic", "Synth Pad 7 halo", "Synth Pad 8 sweep",
    "Synth FX 1 rain", "Synth FX 2 soundtrack", "Synth FX 3 crystal", "Synth FX 4 atomosphere", "Synth FX 5 brightness", "Synth FX 6 goblins", "Synth FX 7 echoes", "Synth FX 8 sci-fi",
    "Sitar", "Banjo", "Shamisen", "Koto", "Kalimba", "Bagpipe", "Fiddle", "Shanai",
    "Tinke Bell", "Agogo", "Steel Drums", "Woodblock", "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal",
    "Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet", "Telephone Ring", "Helicopter", "Applause", "Gun Shot",
};

// The tone names, then the hex labels twice: the note and velocity lists share one set of texts.
constexpr std::array<const char*, 3 * kVoiceValueCount> joinedLabels()
{
    std::array<const char*, 3 * kVoiceValueCount> table{};
    for (int i = 0; i < kVoiceValueCount; ++i) {
        table[i] = kToneNames[i];
        table[kVoiceValueCount + i] = kHexLabels[i];
        table[2 * kVoiceValueCount + i] = kHexLabels[i];
    }
    return table;
}

}  // namespace

constexpr std::array<const char*, 3 * kVoiceValueCount> voiceLabels = joinedLabels();
