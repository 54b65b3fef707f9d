MODULE Velkari
    PERS tooldata tool1:=[TRUE,[[0,0,100],[1,0,0,0]],[1,[0,0,1],[1,0,0,0],0,0,0]];
    TASK PERS wobjdata wobj1:=[FALSE,TRUE,"",[[0,0,0],[1,0,0,0]],[[0,0,0],[1,0,0,0]]];
    CONST jointtarget j1:=[[0,0,0,0,30,0],[9E9,9E9,9E9,9E9,9E9,9E9]];
    CONST robtarget p1:=[[374,0,530],[0,0,1,0],[0,0,0,0],[9E9,9E9,9E9,9E9,9E9,9E9]];
    CONST robtarget p2:=[[374,50,530],[0,0,1,0],[0,0,0,0],[9E9,9E9,9E9,9E9,9E9,9E9]];
    CONST robtarget p3:=[[350,50,530],[0,0,1,0],[0,0,0,0],[9E9,9E9,9E9,9E9,9E9,9E9]];
    PROC main()
        MoveAbsJ j1,v100,z10,tool1\WObj:=wobj1;
        MoveJ p1,v100,z10,tool1\WObj:=wobj1;
        MoveL p2,v100,fine,tool1\WObj:=wobj1;
        MoveC p3,p1,v100,z10,tool1\WObj:=wobj1;
    ENDPROC
ENDMODULE
