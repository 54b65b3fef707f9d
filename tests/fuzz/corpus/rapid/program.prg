%%%
  VERSION:1
  LANGUAGE:ENGLISH
%%%
MODULE Cell
  CONST num nRows:=2;
  VAR num n;
  PROC Place(robtarget pTo, \switch Slow, INOUT num Count)
    MoveJ Offs(pTo,0,0,50),v500,z10,tool1\WObj:=wobj1;
    MoveL RelTool(pTo,0,0,-5\Rx:=5\Rz:=10),v100,fine,tool1\WObj:=wobj1;
    Count:=Count+1;
    IF Count > 5 RETURN;
  ENDPROC
  PROC main()
    FOR i FROM 1 TO nRows DO
      Place Offs(p1,0,20*i,0), \Slow, n;
    ENDFOR
    WHILE n < 4 DO
      Place p2, n;
    ENDWHILE
    TEST n
    CASE 1,2:
      ArcL p1,v100,seam1,weld1,z10,tool1\WObj:=wobj1;
    DEFAULT:
      SearchL \Stop,di1,sp,p3,v100,tool1\WObj:=wobj1;
    ENDTEST
    IF DInput(di1)=1 THEN
      main;
    ELSE
      MoveC p3,p1,v100,z10,tool1\WObj:=wobj1;
    ENDIF
  ENDPROC
ENDMODULE
MODULE CalibData
  PERS tooldata tool1:=[TRUE,[[0,0,100],[1,0,0,0]],[1,[0,0,1],[1,0,0,0],0,0,0]];
  TASK PERS wobjdata wobj1:=[FALSE,TRUE,"",[[0,0,0],[1,0,0,0]],[[0,0,0],[1,0,0,0]]];
  CONST robtarget p1:=[[374,0,400],[0,0,1,0],[0,0,0,0],[9E9,9E9,9E9,9E9,9E9,9E9]];
  CONST robtarget p2:=[[374,50,400],[0,0,1,0],[0,0,0,0],[9E9,9E9,9E9,9E9,9E9,9E9]];
  CONST robtarget p3:=[[350,50,400],[0,0,1,0],[0,0,0,0],[9E9,9E9,9E9,9E9,9E9,9E9]];
ENDMODULE
