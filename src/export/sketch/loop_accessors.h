unsigned int Zozedovad_Get_Loop_Start(byte slot){
if(slot==0||slot>16)return 65535u;
return pgm_read_word_near(&wave_loop_start[slot-1]);
}
unsigned int Zozedovad_Get_Loop_End(byte slot){
if(slot==0||slot>16)return 65535u;
return pgm_read_word_near(&wave_loop_end[slot-1]);
}
