/PROG  PICK
/ATTR
DEFAULT_GROUP	= 1,*,*,*,*;
/MN
   1:  UFRAME_NUM=0 ;
   2:  UTOOL_NUM=1 ;
   3:  ! UTOOL[1] X=0 Y=0 Z=50 W=0 P=0 R=0 ;
   4:J P[1] 100% FINE    ;
   5:L P[2:approach] 250mm/sec CNT50    ;
   6:C P[1]    ;
    :  P[2] 200mm/sec FINE    ;
   7:J PR[1] 50% FINE ;
/POS
P[1]{
   GP1:
	UF : 0, UT : 1,		CONFIG : 'N U T, 0, 0, 0',
	X = 350.000 mm,	Y = 0.000 mm,	Z = 400.000 mm,
	W = 180.000 deg,	P = 0.000 deg,	R = 0.000 deg
};
P[2:"approach"]{
   GP1:
	UF : 0, UT : 1,
	J1= 0.000 deg,	J2= 10.000 deg,	J3= 20.000 deg,
	J4= 0.000 deg,	J5= -30.000 deg,	J6= 0.000 deg
};
/END
