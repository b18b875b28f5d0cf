object Form1: TForm1
  Left = 100
  Top = 100
  Caption = 'HoughCircles Demo'
  ClientHeight = 566
  ClientWidth = 685
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object Image1: TImage
    Left = 8
    Top = 8
    Width = 580
    Height = 550
    AutoSize = True
  end
  object Button1: TButton
    Left = 600
    Top = 16
    Width = 75
    Height = 25
    Caption = 'Process'
    TabOrder = 0
    OnClick = Button1Click
  end
  object PXGenericFilter1: TPXGenericFilter
    OutputPin.Form = Form1
    OutputPin.SinkPins = (
      Form1.PXHoughCircles1.InputPin)
    Left = 16
    Top = 16
  end
  object PXHoughCircles1: TPXHoughCircles
    InputPin.Form = Form1
    InputPin.SourcePin = Form1.PXGenericFilter1.OutputPin
    Threshold.High = 100.000000000000000000
    Threshold.Accumulator = 40.000000000000000000
    Resolution = 1.000000000000000000
    MinDistance = 50.000000000000000000
    MinRadius = 0
    MaxRadius = 0
    OnCirclesDetect = PXHoughCircles1CirclesDetect
    Left = 56
    Top = 16
  end
end
