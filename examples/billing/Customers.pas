unit Customers;

interface

uses
  SysUtils, Classes, Controls, Forms, StdCtrls;

type
  TCustomerForm = class(TForm)
    ListCustomerNames: TListBox;
    BtnClose: TButton;
  public
    procedure RememberCustomerName(const CustomerName: string);
  end;

var
  CustomerForm: TCustomerForm;

implementation

{$R *.dfm}

procedure TCustomerForm.RememberCustomerName(const CustomerName: string);
begin
  if ListCustomerNames.Items.IndexOf(CustomerName) < 0 then
    ListCustomerNames.Items.Add(CustomerName);
end;

end.
