IN;
SP1;
PU400,400;
PD6000,400,6000,4400,400,4400,400,400;
SP2;
PE7<=KJc]^dIa]cCbMc[b[bMcCb]cIaGdK`MdoMdpGdL`]cJaMcDb[b\bCbNcIa^cK`HdoNdpNdL`HdJa^cDbNc\b\bNcDb^cJaHdL`Ndp;
PE7<=WGd?Uc_H~;
PU2700,1700;
PD2700,1550;
SP1;
SI0.30,0.40;
PU1300,900;
LBKein Hilfebild vorhanden
PU;SP0;
