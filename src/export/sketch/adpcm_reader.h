unsigned int Zozedovad_Get_Start(byte index){
return pgm_read_word_near(&wave_start[index]);
}
unsigned int Zozedovad_Get_Length(byte slot){
if(slot==0||slot>16)return 0;
return pgm_read_word_near(&wave_length[slot-1]);
}
void Zozedovad_Open(byte slot, Zozedovad_Reader* reader){
  reader->left = Zozedovad_Get_Length(slot);
  reader->position = reader->left != 0 ? Zozedovad_Get_Start(slot - 1) : 0;
  reader->level = 0x8000;
  reader->index = 0;
  reader->blockLeft = 0;
  reader->codes = 0;
}
// Unsigned 16-bit arithmetic throughout (the predictor offset by 32768): about half the cycles
// of the same steps on a signed predictor in 32 bits.
inline bool Zozedovad_Next(Zozedovad_Reader* reader, char* sample){
  if (reader->left == 0) return false;
  --reader->left;
  unsigned int level;
  byte index;
  byte blockLeft = reader->blockLeft;
  if (blockLeft == 0) {
    const unsigned int position = reader->position;
    level = ((unsigned int)(byte)(Zozedovad_Get_Byte(position) ^ 0x80) << 8) | 0x80;
    index = Zozedovad_Get_Byte(position + 1);
    reader->position = position + 2;
    reader->blockLeft = 124;
  } else {
    byte code;
    if (blockLeft & 1) {
      code = reader->codes >> 4;
    } else {
      const byte codes = Zozedovad_Get_Byte(reader->position++);
      reader->codes = codes;
      code = codes & 15;
    }
    reader->blockLeft = blockLeft - 1;
    index = reader->index;
    const unsigned int step = pgm_read_word_near(&Zozedovad_Steps[index]);
    const unsigned int half = step >> 1;
    const unsigned int quarter = half >> 1;
    unsigned int diff = quarter >> 1;
    if (code & 4) diff += step;
    if (code & 2) diff += half;
    if (code & 1) diff += quarter;
    level = reader->level;
    if (code & 8) {
      level = diff > level ? 0 : level - diff;
    } else {
      level = diff > (unsigned int)~level ? 0xFFFF : level + diff;
    }
    if (code & 4) {
      index += 2 * ((code & 3) + 1);
      if (index > 88) index = 88;
    } else if (index != 0) {
      --index;
    }
  }
  reader->level = level;
  reader->index = index;
  *sample = (char)((level >> 8) ^ 0x80);
  return true;
}
