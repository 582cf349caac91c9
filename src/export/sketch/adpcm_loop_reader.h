// Restarts a reader at its slot's loop from the decoder's state kept for it: the byte it reads
// next, its level, step index and codes left in the block; the table byte whose high half comes
// next is read again.
bool Zozedovad_Open_Loop(byte slot, Zozedovad_Reader* reader){
  const unsigned int start = Zozedovad_Get_Loop_Start(slot);
  if (start == 65535u) return false;
  const unsigned int position = pgm_read_word_near(&wave_loop_position[slot-1]);
  const byte blockLeft = pgm_read_byte(&wave_loop_block[slot-1]);
  reader->position = position;
  reader->left = Zozedovad_Get_Length(slot) - start;
  reader->level = pgm_read_word_near(&wave_loop_level[slot-1]);
  reader->index = pgm_read_byte(&wave_loop_index[slot-1]);
  reader->blockLeft = blockLeft;
  reader->codes = (blockLeft & 1) ? Zozedovad_Get_Byte(position - 1) : 0;
  return true;
}
