unit Invoices;

interface

uses
  SysUtils, Classes, Controls, Forms, StdCtrls, Grids;

type
  TInvoiceForm = class(TForm)
    LabelCustomerName: TLabel;
    EditCustomerName: TEdit;
    GridInvoiceLines: TStringGrid;
    BtnPrintInvoice: TButton;
    procedure BtnPrintInvoiceClick(Sender: TObject);
  private
    function InvoiceTotal: Currency;
  end;

var
  InvoiceForm: TInvoiceForm;

implementation

{$R *.dfm}

uses
  Customers;

function TInvoiceForm.InvoiceTotal: Currency;
var
  Row: Integer;
begin
  Result := 0;
  for Row := 1 to GridInvoiceLines.RowCount - 1 do
    Result := Result + StrToCurrDef(GridInvoiceLines.Cells[3, Row], 0);
end;

procedure TInvoiceForm.BtnPrintInvoiceClick(Sender: TObject);
begin
  { The customer name is checked before the invoice goes out. }
  if Trim(EditCustomerName.Text) = '' then
    raise Exception.Create('Invoice without a customer name');
  CustomerForm.RememberCustomerName(EditCustomerName.Text);
  Caption := Format('Invoice - %s - %m', [EditCustomerName.Text, InvoiceTotal]);
end;

end.
