object InvoiceForm: TInvoiceForm
  Left = 200
  Top = 120
  Caption = 'Invoice'
  ClientHeight = 320
  ClientWidth = 480
  Position = poScreenCenter
  PixelsPerInch = 96
  TextHeight = 13
  object LabelCustomerName: TLabel
    Left = 16
    Top = 19
    Width = 82
    Height = 13
    Caption = 'Customer name:'
    FocusControl = EditCustomerName
  end
  object EditCustomerName: TEdit
    Left = 112
    Top = 16
    Width = 240
    Height = 21
    TabOrder = 0
  end
  object GridInvoiceLines: TStringGrid
    Left = 16
    Top = 48
    Width = 448
    Height = 224
    ColCount = 4
    RowCount = 8
    TabOrder = 1
  end
  object BtnPrintInvoice: TButton
    Left = 389
    Top = 284
    Width = 75
    Height = 25
    Caption = 'Print invoice'
    TabOrder = 2
    OnClick = BtnPrintInvoiceClick
  end
end
