// MIDI in on the serial port's RX pin (Serial1 on the Leonardo, whose Serial is its USB port),
// any channel: note-on, note-off (and note-on at velocity 0), all-notes-off (controller 123)
// and all-sound-off (120). Running status is kept; the data bytes of every other message are
// skipped, system exclusive up to its end, and the real-time bytes (0xF8..0xFF) that may come
// anywhere, between a status and its data too, change nothing.

#if defined(__AVR_ATmega32U4__)
#define ZOZEDOVAD_MIDI_PORT Serial1
#else
#define ZOZEDOVAD_MIDI_PORT Serial
#endif

static byte Zozedovad_Midi_Status;   // the running status; 0 while data bytes mean nothing
static byte Zozedovad_Midi_First;    // the message's first data byte
static byte Zozedovad_Midi_Count;    // its data bytes in so far
static bool Zozedovad_Midi_In_Sysex;

// The data bytes a status byte's message carries.
static byte Zozedovad_Midi_Length(byte status) {
  switch (status & 0xF0) {
  case 0xC0:
  case 0xD0:
    return 1;
  case 0xF0:
    return status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
  default:
    return 2;
  }
}

static void Zozedovad_Midi_Message(byte status, byte first, byte second) {
  switch (status & 0xF0) {
  case 0x90:
    Zozedovad_Note_On(first, second);
    break;
  case 0x80:
    Zozedovad_Note_Off(first);
    break;
  case 0xB0:
    if (first == 123) Zozedovad_All_Notes_Off();
    if (first == 120) Zozedovad_Stop();
    break;
  }
}

// Takes one byte of the MIDI stream.
void Zozedovad_Midi_Byte(byte value) {
  if (value >= 0xF8) return;
  if (value & 0x80) {
    Zozedovad_Midi_In_Sysex = value == 0xF0;
    // System common messages and the end of system exclusive cancel the running status.
    Zozedovad_Midi_Status = value < 0xF0 || Zozedovad_Midi_Length(value) != 0 ? value : 0;
    Zozedovad_Midi_Count = 0;
    return;
  }
  if (Zozedovad_Midi_In_Sysex || Zozedovad_Midi_Status == 0) return;
  const byte length = Zozedovad_Midi_Length(Zozedovad_Midi_Status);
  if (Zozedovad_Midi_Count == 0 && length == 2) {
    Zozedovad_Midi_First = value;
    Zozedovad_Midi_Count = 1;
    return;
  }
  Zozedovad_Midi_Count = 0;
  const byte status = Zozedovad_Midi_Status;
  if (status >= 0xF0) Zozedovad_Midi_Status = 0;
  if (length == 2) {
    Zozedovad_Midi_Message(status, Zozedovad_Midi_First, value);
  } else {
    Zozedovad_Midi_Message(status, value, 0);
  }
}

// Takes every MIDI byte that has come in.
void Zozedovad_Midi_Read() {
  while (ZOZEDOVAD_MIDI_PORT.available() > 0) {
    Zozedovad_Midi_Byte((byte)ZOZEDOVAD_MIDI_PORT.read());
  }
}
