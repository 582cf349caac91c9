struct Zozedovad_Reader {
  unsigned int position; // the table byte read next
  unsigned int left;     // samples still to come
  unsigned int level;    // the decoder's 16-bit predictor + 32768; the sample is its high byte
  byte index;            // the step index
  byte blockLeft;        // codes left in the block; odd: the next is the high half of `codes`
  byte codes;            // the table byte holding the next code
};
