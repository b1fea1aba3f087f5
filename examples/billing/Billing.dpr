program Billing;

uses
  Forms,
  Invoices in 'Invoices.pas' {InvoiceForm},
  Customers in 'Customers.pas' {CustomerForm};

{$R *.res}

begin
  Application.Initialize;
  Application.Title := 'Billing';
  Application.CreateForm(TInvoiceForm, InvoiceForm);
  Application.CreateForm(TCustomerForm, CustomerForm);
  Application.Run;
end.
