unit Unit1;

interface

uses
  SysUtils, Classes, Forms, StdCtrls;

type
  TForm1 = class(TForm)
    Button1: TButton;
    procedure Button1Click(Sender: TObject);
  end;

var
  Form1: TForm1;

implementation

procedure TForm1.Button1Click(Sender: TObject);
begin
  Form1.CAPTION := 'Form1 clicked';
  TForm1Helper.Touch(Form1);
end;

end.
