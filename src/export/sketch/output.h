// The output pin, shared by both players: 8-bit PWM with no prescaler (F_CPU / 256, 62.5 kHz at
// 16 MHz), the sound its average and the zero line 128.
#if defined(__AVR_ATmega328P__)
const byte Zozedovad_Output_Pin = 3;
#define ZOZEDOVAD_LEVEL OCR2B
#elif defined(__AVR_ATmega2560__)
const byte Zozedovad_Output_Pin = 9;
#define ZOZEDOVAD_LEVEL OCR2B
#elif defined(__AVR_ATmega32U4__)
const byte Zozedovad_Output_Pin = 5;
#define ZOZEDOVAD_LEVEL OCR3A
#else
#error "This player is made for the ATmega328P (Uno, Nano), ATmega32U4 (Leonardo, Micro) and ATmega2560 (Mega 2560)."
#endif

const byte Zozedovad_Rest_Level = 128;

// Starts the pin's PWM, resting at the zero line. Interrupts are off.
static inline void Zozedovad_Output_Begin() {
  pinMode(Zozedovad_Output_Pin, OUTPUT);
#if defined(__AVR_ATmega32U4__)
  TCCR3A = _BV(COM3A1) | _BV(WGM30);
  TCCR3B = _BV(WGM32) | _BV(CS30);
#else
  TCCR2A = _BV(COM2B1) | _BV(WGM21) | _BV(WGM20);
  TCCR2B = _BV(CS20);
#endif
  ZOZEDOVAD_LEVEL = Zozedovad_Rest_Level;
}
